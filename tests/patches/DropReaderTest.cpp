// Dropped file lists: the host's XML text and lists of file paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "DropReader.h"

namespace calverine {
namespace {

DragItem textItem(const std::string& text) { return {text.data(), text.size(), DragItem::Type::Text}; }
// The items point into the strings: those must outlive them (literals do).
DragItem pathItem(const std::string& path) { return {path.data(), path.size(), DragItem::Type::FilePath}; }
DragItem pathItem(const char* path) { return {path, std::strlen(path), DragItem::Type::FilePath}; }

bool bufferClear(const DropReader& reader) {
    const auto buffer = reader.workBuffer();
    return std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == 0; });
}

using Paths = std::vector<std::string>;

const std::string kTwoRegions =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<vst-xml version=\"1\">\n"
    "  <region start=\"0\"><name>first</name><filename>/music/Pads/Warm Pad.fxp</filename></region>\n"
    "  <region><filename>C:\\Patches\\Deep Bass QV.fxp</filename><filename>ignored.fxp</filename></region>\n"
    "</vst-xml>\n";

TEST(DropReader, TwoRegionsGiveTheirFilenamesInDocumentOrder) {
    DropReader reader;
    const DragItem items[] = {textItem(kTwoRegions)};
    EXPECT_EQ(reader.readDrop(items), 2);
    EXPECT_EQ(reader.paths(), (Paths{"/music/Pads/Warm Pad.fxp", "C:\\Patches\\Deep Bass QV.fxp"}));
    EXPECT_EQ(reader.error(), "");
    EXPECT_TRUE(bufferClear(reader));
}

TEST(DropReader, AByteOrderMarkIsSkipped) {
    DropReader reader;
    const std::string marked = "\xEF\xBB\xBF" + kTwoRegions;
    const DragItem items[] = {textItem(marked)};
    EXPECT_EQ(reader.readDrop(items), 2);
    EXPECT_EQ(reader.paths(), (Paths{"/music/Pads/Warm Pad.fxp", "C:\\Patches\\Deep Bass QV.fxp"}));
}

TEST(DropReader, OnlyRegionsOfTheVstXmlElementCount) {
    DropReader reader;
    const std::pair<std::string, Paths> cases[] = {
        {"<other><region><filename>a.fxp</filename></region></other>", {}},
        {"<vst-xml></vst-xml>", {}},
        {"<vst-xml><region><name>no file</name></region><region><filename>b.fxp</filename></region></vst-xml>",
         {"b.fxp"}},
        {"<VST-XML><region><filename>a.fxp</filename></region></VST-XML>", {}},
        {"<vst-xml><Region><filename>a.fxp</filename></Region><region><FileName>x</FileName></region></vst-xml>", {}},
        {"<vst-xml><region><group><filename>deep.fxp</filename></group></region></vst-xml>", {}},
        {"<vst-xml><region><filename>  /a b/c.fxp \n</filename></region></vst-xml>", {"/a b/c.fxp"}},
        {"<vst-xml><region><filename>Tom &amp; Jerry.fxp</filename></region></vst-xml>", {"Tom & Jerry.fxp"}},
        {"<vst-xml><region><filename><![CDATA[/x/<y>.fxp]]></filename></region></vst-xml>", {"/x/<y>.fxp"}},
        {"<vst-xml><region><filename></filename></region></vst-xml>", {}},
    };
    for (const auto& [text, paths] : cases) {
        const DragItem items[] = {textItem(text)};
        EXPECT_EQ(reader.readDrop(items), static_cast<int>(paths.size())) << text;
        EXPECT_EQ(reader.paths(), paths) << text;
        EXPECT_EQ(reader.error(), "") << text;
    }
}

TEST(DropReader, FilePathsAreCopiedInOrderAndCutTo511Bytes) {
    DropReader reader;
    const std::string longPath = "/" + std::string(599, 'p');
    const std::string withZero("/a.fxp\0tail", 11);
    const std::string other = "not a path";
    const DragItem items[] = {pathItem("/one.fxp"), {other.data(), other.size(), DragItem::Type::Other},
                              pathItem(longPath), pathItem(withZero), pathItem("/two.fxp")};
    EXPECT_EQ(reader.readDrop(items), 4);
    ASSERT_EQ(reader.paths().size(), 4u);
    EXPECT_EQ(reader.paths()[0], "/one.fxp");
    EXPECT_EQ(reader.paths()[1], longPath.substr(0, 511));
    EXPECT_EQ(reader.paths()[2], "/a.fxp");
    EXPECT_EQ(reader.paths()[3], "/two.fxp");

    // A filename in the XML text is cut the same way.
    const std::string xml = "<vst-xml><region><filename>" + longPath + "</filename></region></vst-xml>";
    const DragItem text[] = {textItem(xml)};
    EXPECT_EQ(reader.readDrop(text), 1);
    EXPECT_EQ(reader.paths(), (Paths{longPath.substr(0, 511)}));
}

TEST(DropReader, NoItemsOrAnEmptyFirstItemGiveNothing) {
    DropReader reader;
    const DragItem filled[] = {pathItem("/a.fxp")};
    ASSERT_EQ(reader.readDrop(filled), 1);
    EXPECT_EQ(reader.readDrop({}), 0);
    EXPECT_TRUE(reader.paths().empty()) << "the list is cleared at every drop";
    const DragItem emptyFirst[] = {pathItem(""), pathItem("/b.fxp")};
    EXPECT_EQ(reader.readDrop(emptyFirst), 0);
    const DragItem emptyText[] = {{"", 0, DragItem::Type::Text}};
    EXPECT_EQ(reader.readDrop(emptyText), 0);
}

TEST(DropReader, MalformedXmlGivesNoPathsAndTheParsersMessage) {
    DropReader reader;
    const std::pair<std::string, std::string> cases[] = {
        {"<vst-xml><region><filename>a.fxp</filename></region>", "unexpected end of data"},
        {"just text", "expected <"},
        {"<vst-xml><region><filename>a.fxp</region></vst-xml>", "invalid closing tag name"},
        {"<>", "expected element name"},
    };
    for (const auto& [text, message] : cases) {
        const DragItem items[] = {textItem(text)};
        EXPECT_EQ(reader.readDrop(items), 0) << text;
        EXPECT_TRUE(reader.paths().empty());
        EXPECT_EQ(reader.error(), message) << text;
        EXPECT_TRUE(bufferClear(reader));
    }
    // The next good drop clears the message.
    const DragItem good[] = {textItem(kTwoRegions)};
    EXPECT_EQ(reader.readDrop(good), 2);
    EXPECT_EQ(reader.error(), "");
}

TEST(DropReader, ATextThatDoesNotFitTheBufferWithItsTerminatorIsRefused) {
    DropReader reader;
    // Padded with a comment to exactly 65535 bytes: it fits with its terminator.
    const std::string head = "<vst-xml><region><filename>/fits.fxp</filename></region></vst-xml><!--";
    std::string fits = head + std::string(DropReader::kWorkBufferSize - 1 - head.size() - 3, 'c') + "-->";
    ASSERT_EQ(fits.size(), 65535u);
    const DragItem fitting[] = {textItem(fits)};
    EXPECT_EQ(reader.readDrop(fitting), 1);
    EXPECT_EQ(reader.paths(), (Paths{"/fits.fxp"}));

    const std::string over = fits.substr(0, fits.size() - 3) + "c-->";
    ASSERT_EQ(over.size(), 65536u);
    const DragItem refused[] = {textItem(over)};
    EXPECT_EQ(reader.readDrop(refused), 0);
    EXPECT_EQ(reader.error(), "the dropped text is longer than 65535 bytes");
    EXPECT_TRUE(bufferClear(reader));

    // A text ends at its first zero byte: what follows it does not count.
    std::string terminated = kTwoRegions;
    terminated.push_back('\0');
    terminated.append(100000, 'z');
    const DragItem zero[] = {textItem(terminated)};
    EXPECT_EQ(reader.readDrop(zero), 2);
}

TEST(DropReader, DeeplyNestedTextIsRefusedBeforeTheParserDescends) {
    DropReader reader;
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<a>";
    const DragItem items[] = {textItem(deep)};
    EXPECT_EQ(reader.readDrop(items), 0);
    EXPECT_EQ(reader.error(), "elements nested more than 256 deep");

    std::string nested = "<vst-xml><region><filename>/ok.fxp</filename>";
    for (int i = 0; i < 200; ++i) nested += "<a>";
    for (int i = 0; i < 200; ++i) nested += "</a>";
    nested += "</region></vst-xml>";
    const DragItem fine[] = {textItem(nested)};
    EXPECT_EQ(reader.readDrop(fine), 1);
}

}  // namespace
}  // namespace calverine
