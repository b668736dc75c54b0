#include <gtest/gtest.h>

#include <fstream>

#include "AccountBook.h"
#include "TempDir.h"

namespace kelbrin::reference_service {
namespace {

using namespace std::chrono;

class AccountBookTest : public ::testing::Test {
 protected:
  std::filesystem::path write(const std::string& accounts) {
    const std::filesystem::path file = dir_ / "accounts.xml";
    std::ofstream(file) << accounts;
    return file;
  }
  AccountBook loadAccount(const std::string& attributes, year_month_day today = 2026y / 2 / 27) {
    return AccountBook::Load(
        write("<Accounts><Account UserName='u' UserPwd='p' " + attributes + "/></Accounts>"),
        today);
  }
  test::TempDir dir_;
};

TEST_F(AccountBookTest, RelativeDatesBecomeDaysFromToday) {
  struct Case {
    const char* written;
    year_month_day today;
    const char* loaded;
  };
  const Case cases[] = {
      {"today", 2026y / 2 / 27, "20260227"},
      {"today+3", 2026y / 2 / 27, "20260302"},   // across the month end
      {"today-1", 2026y / 1 / 1, "20251231"},    // across the year end
      {"today+366", 2024y / 1 / 1, "20250101"},  // a leap year
      {"20991231", 2026y / 2 / 27, "20991231"},  // fixed dates stay
      {"today+", 2026y / 2 / 27, "today+"},      // not a relative date: kept as written
      {"todayish", 2026y / 2 / 27, "todayish"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    const AccountBook book =
        loadAccount(std::string("ServiceEndDate='") + c.written + "'", c.today);
    EXPECT_EQ(book.Find("u")->profile.at("ServiceEndDate"), c.loaded);
  }
}

TEST_F(AccountBookTest, ReadsDomainsWithTheirRecordsInOrder) {
  const AccountBook book = AccountBook::Load(write(R"(<Accounts>
      <Account UserName="u" UserPwd="p" RefuseWith="110">
        <DomainInfo DomainName="a" EndDate="today+1">
          <ResourceInfo ResourceType="A" KeyName="www"/><ResourceInfo ResourceType="MX"/>
        </DomainInfo>
        <DomainInfo DomainName="b"/>
      </Account><Account UserName="v" UserPwd=""/></Accounts>)"),
                                             2026y / 12 / 31);
  ASSERT_EQ(book.size(), 2u);
  const Account* account = book.Find("u");
  ASSERT_NE(account, nullptr);
  EXPECT_EQ(account->Password(), "p");
  EXPECT_EQ(account->refuseWith, "110");
  EXPECT_FALSE(account->profile.contains("RefuseWith"));
  ASSERT_EQ(account->domains.size(), 2u);
  EXPECT_EQ(account->domains[0].fields.at("EndDate"), "20270101");
  ASSERT_EQ(account->domains[0].resources.size(), 2u);
  EXPECT_EQ(account->domains[0].resources[1].at("ResourceType"), "MX");
  EXPECT_TRUE(account->domains[1].resources.empty());
  EXPECT_EQ(book.Find("v")->refuseWith, std::nullopt);
  EXPECT_EQ(book.Find("nobody"), nullptr);
}

TEST_F(AccountBookTest, RejectsFaultyFilesNamingThem) {
  const char* faulty[] = {
      "<Accounts><Account UserName='u' UserPwd='p' PayTyp='1'/></Accounts>",  // typo
      "<Accounts><Account UserName='u' UserPwd='p'><DomainInfo Name='x'/></Account></Accounts>",
      "<Accounts><Account UserName='u'/></Accounts>",
      "<Accounts><Account UserName='u' UserPwd='p'/><Account UserName='u' UserPwd='q'/></Accounts>",
      "<Users/>",
      "<Accounts><Account",
  };
  for (const char* text : faulty) {
    SCOPED_TRACE(text);
    try {
      AccountBook::Load(write(text), 2026y / 1 / 1);
      ADD_FAILURE() << "loaded";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find("accounts.xml"), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace kelbrin::reference_service
