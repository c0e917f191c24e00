#include "BundleModule.h"
#include "HostedPluginTest.h"
#include "Vst3Interfaces.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace Steinberg;

namespace
{
template <typename Interface> Interface* create(IPluginFactory& factory, const TUID classId)
{
    void* object = nullptr;
    factory.createInstance(classId, Interface::iid, &object);
    return static_cast<Interface*>(object);
}

// The audio component and its edit controller as a host sets them up from the factory: both
// initialised, then connected to each other.
struct RawPlugin
{
    explicit RawPlugin(IPluginFactory& factory)
    {
        PClassInfo info{};

        for (int32 i = 0; i < factory.countClasses(); ++i)
            if (factory.getClassInfo(i, &info) == kResultOk &&
                std::strcmp(info.category, kVstAudioEffectClass) == 0)
                component = create<Vst::IComponent>(factory, info.cid);

        TUID controllerId{};
        if (component == nullptr || component->initialize(nullptr) != kResultOk ||
            component->getControllerClassId(controllerId) != kResultOk)
            return;

        controller = create<Vst::IEditController>(factory, controllerId);
        if (controller == nullptr || controller->initialize(nullptr) != kResultOk)
            return;

        component->queryInterface(Vst::IConnectionPoint::iid, reinterpret_cast<void**>(&componentPoint));
        controller->queryInterface(Vst::IConnectionPoint::iid, reinterpret_cast<void**>(&controllerPoint));
        if (componentPoint != nullptr && controllerPoint != nullptr)
            connected = componentPoint->connect(controllerPoint) == kResultOk &&
                        controllerPoint->connect(componentPoint) == kResultOk;
    }

    ~RawPlugin()
    {
        if (connected)
        {
            componentPoint->disconnect(controllerPoint);
            controllerPoint->disconnect(componentPoint);
        }

        for (FUnknown* point :
             {static_cast<FUnknown*>(componentPoint), static_cast<FUnknown*>(controllerPoint)})
            if (point != nullptr)
                point->release();

        if (controller != nullptr)
        {
            controller->terminate();
            controller->release();
        }

        if (component != nullptr)
        {
            component->terminate();
            component->release();
        }
    }

    Vst::IComponent* component = nullptr;
    Vst::IEditController* controller = nullptr;
    Vst::IConnectionPoint* componentPoint = nullptr;
    Vst::IConnectionPoint* controllerPoint = nullptr;
    bool connected = false;
};
} // namespace

// A host that hands the controller a value that is not a finite number must read back what the
// parameter held, for the plug-in's own parameters and the framework's alike.
TEST(HostedController, RefusesNonFiniteValuesForEveryParameter)
{
    HostEnvironment environment;
    BundleModule module(hostTest::bundleLibrary());
    ASSERT_TRUE(module.isLoaded()) << module.error();
    auto* factory = module.createFactory();
    ASSERT_NE(factory, nullptr);
    {
        RawPlugin plugin(*factory);
        ASSERT_TRUE(plugin.connected);
        auto& controller = *plugin.controller;
        ASSERT_GT(controller.getParameterCount(), 24);

        for (int32 index = 0; index < controller.getParameterCount(); ++index)
        {
            Vst::ParameterInfo info{};
            ASSERT_EQ(controller.getParameterInfo(index, info), kResultOk);
            SCOPED_TRACE("parameter " + std::to_string(info.id));
            // Away from both ends, so that a non-finite value clamped to 0 or 1 shows too.
            controller.setParamNormalized(info.id, 0.5);
            const auto before = controller.getParamNormalized(info.id);

            for (const auto bad :
                 {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                  -std::numeric_limits<double>::infinity()})
            {
                EXPECT_NE(controller.setParamNormalized(info.id, bad), kResultOk) << bad;
                const auto after = controller.getParamNormalized(info.id);
                ASSERT_EQ(after, before) << bad;
            }
        }
    }
    factory->release();
}
