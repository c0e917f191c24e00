#include "ChunkBytes.h"
#include "PreparedProcessor.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace
{
const std::string declaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

const char* const idsInTreeOrder[] = {
    "delay",         "distType",      "distortion", "dryWet",     "feedback", "filterOrder",
    "freqGain",      "freqQ",         "highPass",   "highPassQ",  "hpfEnv",   "hpfEnvAttack",
    "hpfEnvRelease", "hpfSkew",       "inputGain",  "lowPass",    "lowPassQ", "lpfEnv",
    "lpfEnvAttack",  "lpfEnvRelease", "lpfSkew",    "outputGain", "ratio",    "signalOrder"};

std::vector<juce::uint8> save(SorvandelAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation(block);
    const auto* bytes = static_cast<const juce::uint8*>(block.getData());
    return {bytes, bytes + block.getSize()};
}

std::string textOf(const std::vector<juce::uint8>& chunk)
{
    return {chunk.begin() + 8, chunk.end() - 1};
}

std::string paramElement(const std::string& id, const std::string& value)
{
    return R"(<PARAM id=")" + id + R"(" value=")" + value + R"("/>)";
}

void load(SorvandelAudioProcessor& processor, const std::vector<juce::uint8>& chunk)
{
    processor.setStateInformation(chunk.data(), (int) chunk.size());
}

// Every parameter away from its default, as the host would set them.
void setEverything(PreparedProcessor& p)
{
    const std::pair<const char*, float> values[] = {
        {"delay", 1234.0f},      {"feedback", 0.33f},     {"distortion", 42.0f},   {"lowPass", 5000.0f},
        {"highPass", 120.5f},    {"dryWet", 0.5f},        {"lowPassQ", 3.3f},      {"highPassQ", 7.1f},
        {"freqGain", 4.4f},      {"freqQ", 9.9f},         {"ratio", 7.0f},         {"signalOrder", 1.0f},
        {"filterOrder", 1.0f},   {"distType", 3.0f},      {"lpfEnv", -1234.56f},   {"hpfEnv", 777.77f},
        {"lpfEnvAttack", 0.25f}, {"lpfEnvRelease", 2.5f}, {"hpfEnvAttack", 1.11f}, {"hpfEnvRelease", 0.01f},
        {"lpfSkew", 0.3f},       {"hpfSkew", 0.77f},      {"inputGain", -100.0f},  {"outputGain", 23.9f}};

    for (const auto& [id, value] : values)
        p.set(id, value);
}

std::map<std::string, float> valuesOf(PreparedProcessor& p)
{
    std::map<std::string, float> values;
    for (const auto* id : idsInTreeOrder)
        values[id] = p.get(id);
    return values;
}
} // namespace

TEST(StateChunk, NewInstanceWritesTheDefaultsAsOneLineOfXml)
{
    PreparedProcessor p;
    const auto chunk = save(p.processor);

    ASSERT_EQ(chunk.size(), 906u);
    EXPECT_EQ(std::vector<juce::uint8>(chunk.begin(), chunk.begin() + 8),
              (std::vector<juce::uint8>{0x56, 0x43, 0x32, 0x21, 0x81, 0x03, 0x00, 0x00}));
    EXPECT_EQ(chunk.back(), 0);

    const auto text = textOf(chunk);
    EXPECT_EQ(text.size(), 897u);
    EXPECT_EQ(
        text.rfind(declaration +
                       R"( <PARAMETERS><PARAM id="delay" value="0.0"/><PARAM id="distType" value="1.0"/>)",
                   0),
        0u);
    EXPECT_EQ(text.substr(text.size() - 13), "</PARAMETERS>");
    EXPECT_EQ(text.find_first_of("\r\n\t"), std::string::npos);
    EXPECT_EQ(text.find('\0'), std::string::npos);

    std::string children;
    const std::pair<const char*, const char*> defaults[] = {
        {"delay", "0.0"},         {"distType", "1.0"},    {"distortion", "1.0"},   {"dryWet", "1.0"},
        {"feedback", "0.0"},      {"filterOrder", "0.0"}, {"freqGain", "1.0"},     {"freqQ", "1.0"},
        {"highPass", "20.0"},     {"highPassQ", "1.0"},   {"hpfEnv", "0.0"},       {"hpfEnvAttack", "0.0"},
        {"hpfEnvRelease", "1.0"}, {"hpfSkew", "1.0"},     {"inputGain", "0.0"},    {"lowPass", "20000.0"},
        {"lowPassQ", "1.0"},      {"lpfEnv", "0.0"},      {"lpfEnvAttack", "0.0"}, {"lpfEnvRelease", "1.0"},
        {"lpfSkew", "1.0"},       {"outputGain", "0.0"},  {"ratio", "1.0"},        {"signalOrder", "0.0"}};
    for (const auto& [id, value] : defaults)
        children += paramElement(id, value);
    EXPECT_EQ(text, declaration + " <PARAMETERS>" + children + "</PARAMETERS>");
}

TEST(StateChunk, WritesValuesInTheFrameworksDoubleText)
{
    PreparedProcessor p;
    p.processor.valueTreeState.getParameter("feedback")->setValueNotifyingHost(0.33f);
    p.set("dryWet", 0.5f);
    p.set("inputGain", -100.0f);
    p.set("lpfEnv", -20000.0f);
    p.set("delay", 2500.0f);

    // 0.33 snaps to the interval 0.01 as 0.01f * 33, the float just below 0.33.
    const auto text = textOf(save(p.processor));
    EXPECT_NE(text.find(paramElement("feedback", "0.3299999833106995")), std::string::npos) << text;
    EXPECT_NE(text.find(paramElement("dryWet", "0.5")), std::string::npos);
    EXPECT_NE(text.find(paramElement("inputGain", "-100.0")), std::string::npos);
    EXPECT_NE(text.find(paramElement("lpfEnv", "-20000.0")), std::string::npos);
    EXPECT_NE(text.find(paramElement("delay", "2500.0")), std::string::npos);
}

TEST(StateChunk, RoundTripReproducesEveryValueAndTheSameBytes)
{
    PreparedProcessor original;
    setEverything(original);
    const auto chunk = save(original.processor);

    PreparedProcessor restored;
    load(restored.processor, chunk);

    EXPECT_EQ(valuesOf(restored), valuesOf(original));
    EXPECT_EQ(save(restored.processor), chunk);
}

TEST(StateChunk, UnreadableDataChangesNothing)
{
    PreparedProcessor p;
    setEverything(p);
    // An unknown element in the tree must survive a refused load as well.
    load(p.processor,
         chunkOf(declaration + " <PARAMETERS>" + paramElement("mystery", "5") + "</PARAMETERS>"));
    const auto before = save(p.processor);
    const auto values = valuesOf(p);

    const auto valid = chunkOf(declaration + " <PARAMETERS>" + paramElement("delay", "7") + "</PARAMETERS>");
    auto wrongMagic = valid;
    wrongMagic[3] = 0x22;
    const std::string document = declaration + " <PARAMETERS>" + paramElement("delay", "7") + "</PARAMETERS>";

    const std::vector<std::vector<juce::uint8>> refused = {
        {},
        std::vector<juce::uint8>(valid.begin(), valid.begin() + 8),
        wrongMagic,
        chunkOf(document, 0),
        chunkOf(document, -1),
        chunkOf(document, std::numeric_limits<juce::int32>::min()),
        chunkOf(document.substr(0, document.size() - 30), (juce::int32) document.size() + 100),
        chunkOf(declaration + " <PARAMETER>" + paramElement("delay", "7") + "</PARAMETER>"),
        chunkOf(std::string("\0<PARAMETERS/>", 14)),
        chunkOf("this is not XML"),
        chunkOf(declaration + " <PARAMETERS>" + paramElement("delay", "7")),
        // A name holding 'a' in two bytes: the framework's strings would save it cut short.
        chunkOf("<PARAMETERS>" + paramElement("delay", "7") + "<X\xc1\xa1/></PARAMETERS>"),
        // Documents the framework's parser never returns from (an instruction followed by
        // text, and one that a declared entity expands to) or reads past the end of (a
        // hexadecimal reference at the end of the document, or of an entity's name).
        chunkOf("<PARAMETERS>" + paramElement("delay", "7") + "<?p?> <!-- c -->t</PARAMETERS>"),
        chunkOf(R"(<!DOCTYPE x [<!ENTITY e "&#60;a&#62;&#60;?p?&#62;t&#60;/a&#62;">]>)"
                "<PARAMETERS>" +
                paramElement("delay", "7") + "&e;</PARAMETERS>"),
        chunkOf("<PARAMETERS>" + paramElement("delay", "7") + "&#x4"),
        chunkOf("<PARAMETERS>" + paramElement("delay", "7") + "&<a>&#x41;</PARAMETERS>"),
        // Names that are not XML names, which the framework's elements refuse; an attribute the
        // tree would take as nameless binary data; an unknown entity, which the parser reads
        // as a document of its own.
        chunkOf("<PARAMETERS>" + paramElement("delay", "7") + "<1X/></PARAMETERS>"),
        chunkOf("<PARAMETERS><PARAM id=\"delay\" value=\"7\" -x=\"1\"/></PARAMETERS>"),
        chunkOf("<PARAMETERS><PARAM id=\"delay\" value=\"7\" base64:=\"AAAA\"/></PARAMETERS>"),
        chunkOf("<PARAMETERS><PARAM id=\"delay\" value=\"7\" base64:x=\"-60.AAAA\"/></PARAMETERS>"),
        // U+033D may go on in an XML name, but the parser ends the name before it and reads
        // the rest of the tag as text.
        chunkOf("<PARAMETERS><PARAM id=\"delay\" value=\"7\" a\xcc\xbd=\"<1X/>\"/></PARAMETERS>"),
        chunkOf("<PARAMETERS>" + paramElement("delay", "7") + "&e;</PARAMETERS>"),
    };

    // Should a load never return, the alarm ends the test instead of leaving it to hang.
    alarm(60);

    for (size_t i = 0; i < refused.size(); ++i)
    {
        load(p.processor, refused[i]);
        EXPECT_EQ(save(p.processor), before) << "chunk " << i;
        EXPECT_EQ(valuesOf(p), values) << "chunk " << i;
    }

    alarm(0);

    p.processor.setStateInformation(nullptr, 0);
    EXPECT_EQ(save(p.processor), before);
}

TEST(StateChunk, ReadsOnlyTheTextTheLengthCountsAndTheBytesPresent)
{
    const std::string document = "<PARAMETERS>" + paramElement("delay", "7") + "</PARAMETERS>";

    // Length beyond the data: the complete document present is still read.
    PreparedProcessor a;
    auto longClaim = chunkOf(document, (juce::int32) document.size() + 1000);
    longClaim.pop_back();
    load(a.processor, longClaim);
    EXPECT_EQ(a.get("delay"), 7.0f);

    // Bytes after the counted text are not part of it.
    PreparedProcessor b;
    load(b.processor, chunkOf(document, {}, "<garbage/>\x01\x02"));
    EXPECT_EQ(b.get("delay"), 7.0f);

    // A length that stops inside the document cuts it, and the cut document is refused.
    PreparedProcessor c;
    load(c.processor, chunkOf(document, (juce::int32) document.size() - 20));
    EXPECT_EQ(c.get("delay"), 0.0f);

    // The framework's parser closes an element at any "</", so a cut inside the last closing
    // tag still reads as complete.
    PreparedProcessor d;
    load(d.processor, chunkOf(document, (juce::int32) document.size() - 5));
    EXPECT_EQ(d.get("delay"), 7.0f);
}

TEST(StateChunk, RootTagMatchesIgnoringCaseAndIsKeptAsWritten)
{
    PreparedProcessor p;
    load(p.processor, chunkOf("<parameters>" + paramElement("delay", "12") + "</parameters>"));
    EXPECT_EQ(p.get("delay"), 12.0f);

    const auto text = textOf(save(p.processor));
    EXPECT_EQ(text.rfind(declaration + R"( <parameters><PARAM id="delay" value="12"/>)", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 13), "</parameters>");

    // And a tree that came in as "parameters" takes the usual spelling again.
    load(p.processor, chunkOf("<PARAMETERS>" + paramElement("delay", "13") + "</PARAMETERS>"));
    EXPECT_EQ(p.get("delay"), 13.0f);
}

TEST(StateChunk, ParametersTheDocumentLacksKeepTheirValuesAndAreAppended)
{
    PreparedProcessor p;
    p.set("ratio", 7.0f);
    p.set("delay", 99.0f);
    p.set("lowPass", 5000.0f);

    std::string children;
    for (const auto* id : idsInTreeOrder)
        if (std::string(id) != "ratio" && std::string(id) != "delay")
            children += paramElement(id, id == std::string("lowPass") ? "3000" : "1");

    load(p.processor, chunkOf("<PARAMETERS>" + children + "</PARAMETERS>"));

    EXPECT_EQ(p.get("ratio"), 7.0f);
    EXPECT_EQ(p.get("delay"), 99.0f);
    EXPECT_EQ(p.get("lowPass"), 3000.0f);

    const auto text = textOf(save(p.processor));
    const auto expectedEnd = paramElement("delay", "99.0") + paramElement("ratio", "7.0") + "</PARAMETERS>";
    EXPECT_EQ(text.substr(text.size() - expectedEnd.size()), expectedEnd) << text;
}

TEST(StateChunk, DocumentWithoutAnyParameterStillReplacesTheTree)
{
    PreparedProcessor p;
    setEverything(p);
    const auto values = valuesOf(p);

    load(p.processor, chunkOf(R"(<PARAMETERS note="kept"><other/></PARAMETERS>)"));

    EXPECT_EQ(valuesOf(p), values);
    const auto text = textOf(save(p.processor));
    EXPECT_EQ(
        text.rfind(declaration + R"( <PARAMETERS note="kept"><other/><PARAM id="delay" value="1234.0"/>)", 0),
        0u)
        << text;

    PreparedProcessor restored;
    load(restored.processor, save(p.processor));
    EXPECT_EQ(valuesOf(restored), values);
}

TEST(StateChunk, ValuesAreReadAsTheFrameworkReadsNumbers)
{
    PreparedProcessor p;
    p.set("lowPass", 5000.0f);
    p.set("highPass", 300.0f);

    auto loadChildren = [&](const std::string& children)
    { load(p.processor, chunkOf("<PARAMETERS>" + children + "</PARAMETERS>")); };

    loadChildren(R"(<PARAM id="lowPass"/>)");
    EXPECT_EQ(p.get("lowPass"), 20000.0f);

    loadChildren(paramElement("lowPass", "50000") + paramElement("highPass", "abc") +
                 paramElement("distType", "2.4"));
    EXPECT_EQ(p.get("lowPass"), 20000.0f);
    EXPECT_EQ(p.get("highPass"), 20.0f);
    EXPECT_EQ(p.get("distType"), 2.0f);

    loadChildren(paramElement("delay", "12abc") + paramElement("inputGain", "  -6.5"));
    EXPECT_EQ(p.get("delay"), 12.0f);
    EXPECT_FLOAT_EQ(p.get("inputGain"), -6.5f);

    // The later of two elements for one parameter decides; the element's tag plays no part.
    loadChildren(paramElement("delay", "10") + paramElement("delay", "20") +
                 R"(<OTHER id="ratio" value="4"/>)");
    EXPECT_EQ(p.get("delay"), 20.0f);
    EXPECT_EQ(p.get("ratio"), 4.0f);

    // A repeated attribute counts once, with its first value, and is saved that way.
    loadChildren(R"(<PARAM value="5" id="lowPassQ" value="0.0"  value='9'/>)");
    EXPECT_EQ(p.get("lowPassQ"), 5.0f);
    PreparedProcessor restored;
    load(restored.processor, save(p.processor));
    EXPECT_EQ(restored.get("lowPassQ"), 5.0f);

    // Ids match exactly, case included.
    loadChildren(paramElement("Delay", "30"));
    EXPECT_EQ(p.get("delay"), 20.0f);

    // An exponent too long for the framework's reading to hold still puts the number past a
    // double's range: infinity or zero, then limited.
    p.set("lowPass", 5000.0f);
    p.set("highPass", 300.0f);
    loadChildren(paramElement("lowPass", "1e99999999999") + paramElement("inputGain", "-2e+00099999999999") +
                 paramElement("highPass", "3e-99999999999"));
    EXPECT_EQ(p.get("lowPass"), 20000.0f);
    EXPECT_EQ(p.get("inputGain"), -100.0f);
    EXPECT_EQ(p.get("highPass"), 20.0f);
}

TEST(StateChunk, NaNTextIsReadAsTextWithoutANumber)
{
    // The reverb would index its lines with a NaN delay length; the audio must stay sound.
    PreparedProcessor p;
    p.set("delay", 500.0f);
    p.set("feedback", 0.5f);
    load(p.processor, chunkOf("<PARAMETERS>" + paramElement("delay", "nan") +
                              paramElement("feedback", "-NaN") + paramElement("lowPass", "NAN") +
                              paramElement("highPass", "inf") + paramElement("inputGain", "-inf") +
                              R"(<PARAM id="mystery" value="nan"/>)" + "</PARAMETERS>"));

    EXPECT_EQ(p.get("delay"), 0.0f);
    EXPECT_EQ(p.get("feedback"), 0.0f);
    EXPECT_EQ(p.get("lowPass"), 20.0f);
    EXPECT_EQ(p.get("highPass"), 20000.0f);
    EXPECT_EQ(p.get("inputGain"), -100.0f);
    EXPECT_NE(textOf(save(p.processor)).find(R"(<PARAM id="mystery" value="nan"/>)"), std::string::npos);

    auto buffer = signals::noise(2, 512, 3);
    p.process(buffer);
    EXPECT_TRUE(signals::allFinite(buffer));
}

TEST(StateChunk, UnknownElementsAreKeptAndWrittenBack)
{
    PreparedProcessor p;
    // Only an attribute is read as binary data when its name starts "base64:", not an element.
    const auto mystery = R"(<PARAM id="mystery" value="5" extra="yes"><base64:x/></PARAM>)";

    // Text beyond ASCII is fine as long as it is UTF-8.
    const std::string withUnicode = "<PARAMETERS note=\"\xc3\xbc"
                                    "ber \xe2\x82\xac\">" +
                                    paramElement("delay", "4") + "</PARAMETERS>";
    load(p.processor, chunkOf(withUnicode));
    EXPECT_EQ(p.get("delay"), 4.0f);

    load(p.processor,
         chunkOf(declaration + " <PARAMETERS>" + mystery + paramElement("delay", "3") + "</PARAMETERS>"));

    EXPECT_EQ(p.get("delay"), 3.0f);
    const auto text = textOf(save(p.processor));
    EXPECT_EQ(text.rfind(declaration + " <PARAMETERS>" + mystery + paramElement("delay", "3"), 0), 0u)
        << text;
}
