#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {
namespace {

std::vector<std::string> Texts(const std::vector<pugi::xml_node>& nodes) {
  std::vector<std::string> texts;
  for (pugi::xml_node node : nodes) texts.push_back(XmlDocument::TrimmedText(node));
  return texts;
}

TEST(XmlDocument, SelectsByChildStepsInDocumentOrder) {
  XmlDocument document;
  ASSERT_TRUE(document.Load(
      "<P><A><B>1</B></A><X><B>no</B></X><A><C/><B>2</B><B>3</B></A><A/><b>case</b></P>"));
  EXPECT_EQ(Texts(XmlDocument::SelectAll(document.Root(), "P/A/B")),
            (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(XmlDocument::TrimmedText(XmlDocument::SelectFirst(document.Root(), "P/A/B")), "1");
  EXPECT_FALSE(XmlDocument::SelectFirst(document.Root(), "P/B"));
  EXPECT_FALSE(XmlDocument::SelectFirst(document.Root(), "P/A/b"));
  EXPECT_TRUE(XmlDocument::SelectAll(document.Root(), "Q/A").empty());

  const pugi::xml_node secondA = XmlDocument::SelectAll(document.Root(), "P/A")[1];
  EXPECT_EQ(Texts(XmlDocument::SelectAll(secondA, "B")), (std::vector<std::string>{"2", "3"}));
}

TEST(XmlDocument, TrimmedTextJoinsAllTextBelowTheNode) {
  XmlDocument document;
  ASSERT_TRUE(document.Load("<R>\n\t a<i>b<j>c</j></i><!-- x --><![CDATA[<d>]]>&amp;e \r\n</R>"));
  EXPECT_EQ(XmlDocument::TrimmedText(document.Root().first_child()), "abc<d>&e");
}

TEST(XmlDocument, AcceptsPrologBlanksAndCommentsAroundTheRoot) {
  XmlDocument document;
  EXPECT_TRUE(document.Load(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<!-- note -->\n<R>1</R>\r\n"));
  EXPECT_EQ(XmlDocument::TrimmedText(XmlDocument::SelectFirst(document.Root(), "R")), "1");
}

TEST(XmlDocument, FailedLoadLeavesAnEmptyDocument) {
  XmlDocument document;
  ASSERT_TRUE(document.Load("<R>1</R>"));
  EXPECT_FALSE(document.Load("<R>"));
  EXPECT_FALSE(document.Root().first_child());
}

TEST(XmlDocument, SerialisesEscapedTextWithoutWhitespace) {
  XmlDocument document;
  ASSERT_TRUE(document.Load("<R/>"));
  const pugi::xml_node root = document.Root().first_child();
  XmlDocument::AppendTextElement(root, "V", "a&b<c");
  XmlDocument::AppendTextElement(root, "E", "");
  EXPECT_EQ(document.Serialize(), "<?xml version=\"1.0\"?><R><V>a&amp;b&lt;c</V><E></E></R>");
}

}  // namespace
}  // namespace kelbrin::protocol
