#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "lines/NetHelpers.h"
#include "lines/PortalForm.h"
#include "platform/files/CodePage.h"

namespace kelbrin::lines {
namespace {

const platform::CodePage kUtf8 = platform::CodePage::Named("UTF-8");
const platform::CodePage kGbk = platform::CodePage::Named("GBK");

TEST(UrlEncode, KeepsLettersAndDigitsAndEscapesEveryOtherByte) {
  struct Case {
    const char* text;
    const char* encoded;
  };
  const Case cases[] = {
      {"a b", "a+b"},
      {"-", "%2D"},
      {"!", "%21"},
      {"AbCxYz09", "AbCxYz09"},
      {"_.~", "%5F%2E%7E"},
      {"a&b=c%", "a%26b%3Dc%25"},
      {"", ""},
      {"+/=", "%2B%2F%3D"},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlEncode(c.text, kUtf8), c.encoded) << c.text;
}

TEST(UrlEncode, EncodesInTheGivenCodePage) {
  EXPECT_EQ(UrlEncode("中文", kGbk), "%D6%D0%CE%C4");
  EXPECT_EQ(UrlEncode("中", kUtf8), "%E4%B8%AD");
}

TEST(SplitUrl, HostPortAndPath) {
  struct Case {
    const char* url;
    UrlParts parts;
  };
  const Case cases[] = {
      {"http://10.1.1.1:8080/auth/login?a=1&b=2", {"10.1.1.1", "8080", "/auth/login?a=1&b=2"}},
      {"portal.example", {"portal.example", "80", ""}},
      {"/login/index.php", {"", "80", "/login/index.php"}},
      {"HTTP://Portal.Example/Path", {"Portal.Example", "80", "/Path"}},
      {"http://h:81", {"h", "81", ""}},
      // The scheme is cut off the front wherever it appears in the text.
      {"xhttp://a/b", {"", "80", "/a/b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitUrl(c.url), c.parts) << c.url;
}

TEST(ExtractForm, CutsTheFirstFormOutOfThePage) {
  struct Case {
    const char* page;
    std::optional<std::string> form;
  };
  const Case cases[] = {
      {"<html><form action=x><input name=a></form><form></form></html>",
       "<form action=x><input name=a></form>"},
      // Tags in capitals are the same tags; the text keeps its letter case.
      {"<HTML><FORM ACTION='X'><Input Name=A></FORM>", "<FORM ACTION='X'><Input Name=A></FORM>"},
      {"<formation>no</formation><form id=f>in</Form>", "<form id=f>in</Form>"},
      {"<p>no form here</p>", std::nullopt},
      {"<form action=x><input name=a>", std::nullopt},
      {"</form><form action=x>", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ExtractForm(c.page), c.form) << c.page;
}

TEST(ParseFormAction, HostPortAndPathOfTheAction) {
  struct Case {
    const char* form;
    std::optional<UrlParts> parts;
  };
  const Case cases[] = {
      {"<FORM METHOD=post ACTION='http://10.1.1.1:8080/Auth/Login'></FORM>",
       UrlParts{"10.1.1.1", "8080", "/Auth/Login"}},
      {"<form action=\"http://portal.example/login\">", UrlParts{"portal.example", "80", "/login"}},
      {"<form action = \" http://10.2.2.2/in \" >", UrlParts{"10.2.2.2", "80", "/in"}},
      {"<form action=http://10.3.3.3:81/a?b=c>", UrlParts{"10.3.3.3", "81", "/a?b=c"}},
      // A ">" inside a quoted value does not end the tag.
      {"<form data-x=\"a>b\" action=\"http://h/p\">", UrlParts{"h", "80", "/p"}},
      // The action of the form tag only, not an attribute of the form's content.
      {"<form method=post><input action=\"http://h/p\"></form>", std::nullopt},
      {"<form method=post>", std::nullopt},
      {"<form action=\"/login\">", std::nullopt},  // no host to post to
      {"<form xaction=\"http://h/p\">", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFormAction(c.form), c.parts) << c.form;
}

TEST(BuildFormData, PostsEveryNamedInputWithItsOwnValue) {
  struct Case {
    const char* form;
    const char* body;
  };
  const Case cases[] = {
      {"<form><input name=uid><input name=upwd><input type=hidden name=h value=ABC>"
       "<input name=go value=\"Log In\"></form>",
       "uid=U1&upwd=P%211&h=ABC&go=Log+In"},
      {"<form><input name=uact_status value=0><INPUT NAME=UID></form>", "uact_status=1&UID=U1"},
      // Each attribute search stays inside its own element.
      {"<form><input name=a><input name=b value=x></form>", "a=&b=x"},
      {"<form><input value=\"v1\" name=\"a\"></form>", "a=v1"},
      {"<form><input type=submit value=Go><input name=q value='1 2'></form>", "q=1+2"},
      {"<form><input type=hidden name=\"Token\" value=\"AbC+/=\"></form>", "Token=AbC%2B%2F%3D"},
      {"<form><inputx name=no value=1><input\nname=yes\tvalue=2 /></form>", "yes=2"},
      {"<form><input name=\"a&b\" value=1><input name=c value=\"x>y\"></form>", "a%26b=1&c=x%3Ey"},
      {"<form><select name=s><option value=1></select><textarea name=t></textarea></form>", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BuildFormData(c.form, "U1", "P!1", kUtf8), c.body) << c.form;
}

TEST(BuildFormData, EncodesUserAndPasswordInTheSystemCodePage) {
  const char* form = "<form><input name=uid><input name=upwd><input name=n value=\"中\"></form>";
  EXPECT_EQ(BuildFormData(form, "用户 1", "p&w=d", kGbk),
            "uid=%D3%C3%BB%A7+1&upwd=p%26w%3Dd&n=%D6%D0");
}

}  // namespace
}  // namespace kelbrin::lines
