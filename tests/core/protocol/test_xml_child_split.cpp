// Reading a service list one DomainInfo at a time must accept and read exactly what reading the
// whole reply as one tree does.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "protocol/TGetServiceListResp.h"
#include "protocol/XmlChildSplit.h"
#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {
namespace {

std::optional<std::vector<std::string>> Children(std::string_view text) {
  const auto split = SplitRootChildren(text, "R", "C");
  if (!split) return std::nullopt;
  std::vector<std::string> children;
  for (const auto& span : split->children) {
    children.emplace_back(text.substr(span.begin, span.end - span.begin));
  }
  return children;
}

using Texts = std::vector<std::string>;

TEST(SplitRootChildren, FindsTheRootsChildrenOfTheName) {
  EXPECT_EQ(Children("<?xml version=\"1.0\"?><R><x>1</x><C>a</C><C/><C k='1'/></R>"),
            (Texts{"<C>a</C>", "<C/>", "<C k='1'/>"}));
  // Nested and foreign ones stay in the rest.
  EXPECT_EQ(Children("<R><x><C>in x</C></x><C><C>inner</C></C></R>"),
            (Texts{"<C><C>inner</C></C>"}));
  EXPECT_EQ(Children("<Q><C>other root</C></Q>"), Texts{});
  const auto split = SplitRootChildren("<R> <C>a</C> <y/> </R>", "R", "C");
  ASSERT_TRUE(split);
  EXPECT_EQ(split->rest, "<R>  <y/> </R>");
}

TEST(SplitRootChildren, SkipsMarkupThatOnlyLooksLikeTags) {
  EXPECT_EQ(Children("<R><!-- <C>no</C> --><C><![CDATA[</C><C>]]></C><?p </C> ?></R>"),
            (Texts{"<C><![CDATA[</C><C>]]></C>"}));
  EXPECT_EQ(Children("<R><C a=\"x>y/>\" b='</C>'>t</C></R>"),
            (Texts{"<C a=\"x>y/>\" b='</C>'>t</C>"}));
}

TEST(SplitRootChildren, LeavesWhatItDoesNotFollowToTheWholeReading) {
  for (const char* text : {"<!DOCTYPE R><R><C/></R>", "<R><C>a < b</C></R>", "<R><C>",
                           "<R><!-- open", "<R><C a='1>", "</R>", "<R/><R/>", "<R><C/ ></R>"}) {
    EXPECT_EQ(Children(text), std::nullopt) << text;
  }
}

// The reference: the whole reply as one tree.
TGetServiceListResp ReadAsOneTree(const std::string& text, bool& loaded) {
  TGetServiceListResp reply;
  reply.Result = "unchanged";
  XmlDocument document;
  loaded = document.Load(text);
  if (!loaded) return reply;
  XmlDocument::ReadTrimmedText(document.Root(), "PelmarPacket/Result", reply.Result);
  XmlDocument::ReadTrimmedText(document.Root(), "PelmarPacket/UserID", reply.UserID);
  for (pugi::xml_node node : XmlDocument::SelectAll(document.Root(), "PelmarPacket/DomainInfo")) {
    reply.DomainInfos.emplace_back().LoadFromNode(node);
  }
  return reply;
}

std::string Describe(const TGetServiceListResp& reply) {
  std::string text = reply.Result + "|" + reply.UserID;
  for (const auto& domain : reply.DomainInfos) {
    text += "|" + domain.DomainName + "," + domain.TTL;
    for (const auto& resource : domain.ResourceInfos) text += "," + resource.KeyName;
  }
  return text;
}

TEST(TGetServiceListResp, ReadsWhatTheWholeTreeReads) {
  const std::string domain =
      "<DomainInfo><DomainName> d1 </DomainName><TTL>60</TTL>"
      "<ResourceInfo><KeyName>www</KeyName></ResourceInfo></DomainInfo>";
  const std::string cases[] = {
      "<PelmarPacket><Result>0</Result>" + domain + domain + "<UserID>u</UserID></PelmarPacket>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<PelmarPacket>\r\n<Result>0</Result>\r\n" +
          domain + "\r\n<!-- <DomainInfo><DomainName>no</DomainName></DomainInfo> -->" +
          "<DomainInfo/><DomainInfo><DomainName><![CDATA[</DomainInfo>]]></DomainName>"
          "</DomainInfo></PelmarPacket>",
      "<PelmarPacket><DomainInfo a=\"x>/\"><DomainName>&amp;&#65;</DomainName>"
      "<DomainInfo><DomainName>inner</DomainName></DomainInfo></DomainInfo></PelmarPacket>",
      "<PelmarPacket><Result>0</Result>" + domain + "</PelmarPacket>trailing",
      "<PelmarPacket>" + domain + "</PelmarPacket><PelmarPacket/>",
      "<PelmarPacket><DomainInfo><DomainName>x</DomainInfo></PelmarPacket>",
      "<PelmarPacket><DomainInfo><DomainName>x</DomainName></DomainInfo></Other>",
      "<PelmarPacket><DomainInfo><?xml version=\"1.0\"?></DomainInfo></PelmarPacket>",
      "<PelmarPacket><DomainInfo>a & b</DomainInfo>" + domain + "</PelmarPacket>",
      "<PelmarPacket><Result>0</Result>" + domain + "<Result>1</Result>",
      "<Other>" + domain + "</Other>",
      "<!DOCTYPE PelmarPacket><PelmarPacket>" + domain + "</PelmarPacket>",
  };
  for (const std::string& text : cases) {
    bool expectedLoaded = false;
    const TGetServiceListResp expected = ReadAsOneTree(text, expectedLoaded);
    TGetServiceListResp reply;
    reply.Result = "unchanged";
    EXPECT_EQ(reply.ParseXml(text), expectedLoaded) << text;
    EXPECT_EQ(Describe(reply), Describe(expected)) << text;
  }
}

}  // namespace
}  // namespace kelbrin::protocol
