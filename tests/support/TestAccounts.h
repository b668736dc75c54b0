#pragma once

namespace kelbrin::test {

// The accounts the session and window tests log in with, for the reference service (attributes:
// the profile reply's elements; DomainInfo children: the list reply's). demo01 is a formal user
// for life; trial01's trial ends in three days; old01's service ended long ago; overdue01 has
// expired (PayType "2"); baddate01 carries a deadline the client cannot read; nodomain01 has no
// domain; the last account has the characters that would break a query if they went into it
// unescaped.
inline constexpr const char* kTestAccounts = R"(<?xml version="1.0" encoding="UTF-8"?>
<Accounts>
  <Account UserName="demo01" UserPwd="demo-pass" PayType="1" ServiceEndDate="20991231"
           UserID="100001">
    <DomainInfo DomainName="demo01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="3"
                StartDate="20250101" EndDate="20991231" DomainStatus="0">
      <ResourceInfo ResourceType="A" KeyName="www" KeyValue="203.0.113.7"/>
    </DomainInfo>
  </Account>
  <Account UserName="trial01" UserPwd="trial-pass" PayType="0" ServiceEndDate="today+3"
           UserID="100003">
    <DomainInfo DomainName="trial01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="0"
                StartDate="today-27" EndDate="today+3" DomainStatus="0"/>
  </Account>
  <Account UserName="old01" UserPwd="old-pass" PayType="0" ServiceEndDate="20151231"
           UserID="100006">
    <DomainInfo DomainName="old01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="0"
                StartDate="20150101" EndDate="20151231" DomainStatus="0"/>
  </Account>
  <Account UserName="overdue01" UserPwd="overdue-pass" PayType="2" ServiceEndDate="today-10"
           UserID="100004">
    <DomainInfo DomainName="overdue01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="3"
                StartDate="20240101" EndDate="today-10" DomainStatus="3"/>
  </Account>
  <Account UserName="baddate01" UserPwd="baddate-pass" PayType="2" ServiceEndDate="2099-12-31"
           UserID="100007">
    <DomainInfo DomainName="baddate01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="0"
                StartDate="20250101" EndDate="20991231" DomainStatus="0"/>
  </Account>
  <Account UserName="nodomain01" UserPwd="nodomain-pass" PayType="1" ServiceEndDate="20991231"
           UserID="100002"/>
  <Account UserName="a b&amp;c#" UserPwd="p=1+2%" PayType="1" ServiceEndDate="20991231"
           UserID="100009">
    <DomainInfo DomainName="abc" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="0"
                StartDate="20250101" EndDate="20991231" DomainStatus="0"/>
  </Account>
</Accounts>
)";

}  // namespace kelbrin::test
