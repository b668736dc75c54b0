#include "AccountBook.h"

#include <time.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <pugixml.hpp>
#include <stdexcept>

namespace kelbrin::reference_service {
namespace {

using std::chrono::year_month_day;

// "today", "today+N", "today-N" -> the date as yyyymmdd; every other value stays as written.
std::string ResolveDate(const std::string& value, year_month_day today) {
  constexpr std::string_view kToday = "today";
  if (!value.starts_with(kToday)) return value;
  std::string_view offsetText = std::string_view(value).substr(kToday.size());
  int offset = 0;
  if (!offsetText.empty()) {
    if (offsetText.front() == '+') offsetText.remove_prefix(1);
    const char* end = offsetText.data() + offsetText.size();
    auto [stop, error] = std::from_chars(offsetText.data(), end, offset);
    if (error != std::errc() || stop != end) return value;
  }
  return YmdText(year_month_day{std::chrono::sys_days{today} + std::chrono::days{offset}});
}

template <std::size_t N>
Fields ReadFields(const pugi::xml_node& element, const std::array<std::string_view, N>& known,
                  std::string_view extra, year_month_day today) {
  Fields fields;
  for (const pugi::xml_attribute& attribute : element.attributes()) {
    const std::string name = attribute.name();
    if (name == extra) continue;
    if (std::find(known.begin(), known.end(), name) == known.end()) {
      throw std::runtime_error("unknown attribute " + name + " on <" + element.name() + ">");
    }
    fields[name] = ResolveDate(attribute.value(), today);
  }
  return fields;
}

Domain ReadDomain(const pugi::xml_node& element, year_month_day today) {
  Domain domain{ReadFields(element, kDomainFields, {}, today), {}};
  for (const pugi::xml_node& resource : element.children("ResourceInfo")) {
    domain.resources.push_back(ReadFields(resource, kResourceFields, {}, today));
  }
  return domain;
}

Account ReadAccount(const pugi::xml_node& element, year_month_day today) {
  Account account{ReadFields(element, kProfileFields, "RefuseWith", today), {}, {}};
  if (!account.profile.contains("UserName") || !account.profile.contains("UserPwd")) {
    throw std::runtime_error("an <Account> without UserName or UserPwd");
  }
  if (pugi::xml_attribute refuse = element.attribute("RefuseWith")) {
    account.refuseWith = refuse.value();
  }
  for (const pugi::xml_node& domain : element.children("DomainInfo")) {
    account.domains.push_back(ReadDomain(domain, today));
  }
  return account;
}

}  // namespace

AccountBook AccountBook::Load(const std::filesystem::path& file, year_month_day today) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_file(file.c_str());
  if (!parsed) {
    throw std::runtime_error(file.string() + ": " + parsed.description());
  }
  const pugi::xml_node root = document.child("Accounts");
  if (!root) throw std::runtime_error(file.string() + ": the root element is not <Accounts>");

  AccountBook book;
  try {
    for (const pugi::xml_node& element : root.children("Account")) {
      Account account = ReadAccount(element, today);
      if (book.Find(account.UserName()) != nullptr) {
        throw std::runtime_error("user " + account.UserName() + " appears twice");
      }
      book.accounts_.push_back(std::move(account));
    }
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(file.string() + ": " + error.what());
  }
  return book;
}

const Account* AccountBook::Find(std::string_view userName) const {
  auto found = std::find_if(accounts_.begin(), accounts_.end(),
                            [&](const Account& account) { return account.UserName() == userName; });
  return found == accounts_.end() ? nullptr : &*found;
}

year_month_day LocalToday() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return year_month_day{std::chrono::year{local.tm_year + 1900},
                        std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                        std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
}

std::string YmdText(year_month_day date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

}  // namespace kelbrin::reference_service
