#include "lines/PortalForm.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "platform/files/TextTrim.h"
#include "runtime/AsciiCase.h"

namespace kelbrin::lines {

using runtime::AsciiLower;
using runtime::EqualIgnoringAsciiCase;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The position of the next tag `<name` (any letter case, followed by a blank, "/" or ">") at or
// after `from`, or npos.
std::size_t FindTag(std::string_view text, std::string_view lowerText, std::string_view name,
                    std::size_t from) {
  const std::string opening = "<" + std::string(name);
  for (auto at = lowerText.find(opening, from); at != std::string_view::npos;
       at = lowerText.find(opening, at + 1)) {
    const std::size_t after = at + opening.size();
    if (after == text.size() || IsBlank(text[after]) || text[after] == '/' || text[after] == '>') {
      return at;
    }
  }
  return std::string_view::npos;
}

using Attributes = std::vector<std::pair<std::string, std::string>>;

// Reads the attributes of the tag whose name ends at `at`, up to its closing ">" (quoted values
// may hold ">"); `at` ends just after that ">", or at the end of the text.
Attributes ReadAttributes(std::string_view text, std::size_t& at) {
  Attributes attributes;
  while (at < text.size()) {
    while (at < text.size() && (IsBlank(text[at]) || text[at] == '/')) ++at;
    if (at >= text.size()) break;
    if (text[at] == '>') {
      ++at;
      break;
    }
    const std::size_t nameStart = at;
    while (at < text.size() && !IsBlank(text[at]) && text[at] != '=' && text[at] != '>' &&
           text[at] != '/') {
      ++at;
    }
    std::string name(text.substr(nameStart, at - nameStart));
    std::size_t look = at;
    while (look < text.size() && IsBlank(text[look])) ++look;
    std::string value;
    if (look < text.size() && text[look] == '=') {
      at = look + 1;
      while (at < text.size() && IsBlank(text[at])) ++at;
      if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
        const char quote = text[at++];
        const std::size_t end = std::min(text.find(quote, at), text.size());
        value = text.substr(at, end - at);
        at = std::min(end + 1, text.size());
      } else {
        const std::size_t valueStart = at;
        while (at < text.size() && !IsBlank(text[at]) && text[at] != '>') ++at;
        value = text.substr(valueStart, at - valueStart);
      }
    }
    attributes.emplace_back(std::move(name), std::move(value));
  }
  return attributes;
}

const std::string* Attribute(const Attributes& attributes, std::string_view name) {
  for (const auto& [key, value] : attributes) {
    if (EqualIgnoringAsciiCase(key, name)) return &value;
  }
  return nullptr;
}

// A field name stays as written when form encoding would leave it unchanged anyway.
std::string EncodeName(const std::string& name, const platform::CodePage& codePage) {
  const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~');
  });
  return plain ? name : UrlEncode(name, codePage);
}

}  // namespace

std::optional<std::string> ExtractForm(std::string_view page) {
  const std::string lower = AsciiLower(page);
  const std::size_t start = FindTag(page, lower, "form", 0);
  if (start == std::string_view::npos) return std::nullopt;
  const std::string closing = "</form>";
  const std::size_t end = lower.find(closing, start);
  if (end == std::string::npos) return std::nullopt;
  return std::string(page.substr(start, end + closing.size() - start));
}

std::optional<UrlParts> ParseFormAction(std::string_view form) {
  const std::string lower = AsciiLower(form);
  std::size_t at = FindTag(form, lower, "form", 0);
  if (at == std::string_view::npos) return std::nullopt;
  at += 5;
  const Attributes attributes = ReadAttributes(form, at);
  const std::string* action = Attribute(attributes, "action");
  if (action == nullptr) return std::nullopt;
  UrlParts parts = SplitUrl(platform::Trimmed(*action, " \t\r\n\f"));
  if (parts.host.empty()) return std::nullopt;
  return parts;
}

std::string BuildFormData(std::string_view form, std::string_view userName,
                          std::string_view password, const platform::CodePage& codePage) {
  const std::string lower = AsciiLower(form);
  std::string body;
  for (std::size_t at = FindTag(form, lower, "input", 0); at != std::string_view::npos;
       at = FindTag(form, lower, "input", at)) {
    at += 6;
    const Attributes attributes = ReadAttributes(form, at);
    const std::string* name = Attribute(attributes, "name");
    if (name == nullptr || name->empty()) continue;  // an unnamed input is not submitted

    std::string_view value;
    if (EqualIgnoringAsciiCase(*name, "uid")) {
      value = userName;
    } else if (EqualIgnoringAsciiCase(*name, "upwd")) {
      value = password;
    } else if (EqualIgnoringAsciiCase(*name, "uact_status")) {
      value = "1";
    } else if (const std::string* own = Attribute(attributes, "value")) {
      value = *own;
    }
    if (!body.empty()) body += '&';
    body += EncodeName(*name, codePage) + '=' + UrlEncode(value, codePage);
  }
  return body;
}

}  // namespace kelbrin::lines
