#include "EditorTestSupport.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new editortest::GuiEnvironment());
    return RUN_ALL_TESTS();
}
