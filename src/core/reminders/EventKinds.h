#pragma once

#include <array>
#include <string_view>

#include "runtime/Translate.h"

namespace kelbrin::reminders {

inline constexpr int kEventKindCount = 10;
// The dispatcher's free-text notification; it has no reminder settings.
inline constexpr int kNotifyTextKind = 10;
// Kinds other parts of the client look at directly.
inline constexpr int kNoWanIpKind = 8;
inline constexpr int kCutOffKind = 9;

// Decides the notification title and the log kind.
enum class TEventClass { Hint, Warning };

// The fixed facts of one reminder kind: its row in the "Reminder" dialog and its defaults.
struct EventKindInfo {
  int group;  // index into kEventGroupTitles
  std::string_view label;
  std::string_view tooltip;
  std::string_view firstText;
  std::string_view secondText;
  bool popupByDefault;
  TEventClass eventClass;
  // Object names of the row's "windows", "loudspeaker" and "massage" boxes.
  std::string_view windowsBox;
  std::string_view loudspeakerBox;
  std::string_view massageBox;
};

inline constexpr std::array<std::string_view, 3> kEventGroupTitles = {
    runtime::Translatable("The basic services"), runtime::Translatable("Domain information remind"),
    runtime::Translatable("Network state remind")};

inline constexpr std::array<EventKindInfo, kEventKindCount> kEventKinds = {{
    {0, runtime::Translatable("Payment remin"), "使用期限小于15天和小于7天分别提醒",
     runtime::Translatable(
         "The trial deadline has only %s days left, please pay for it and get further service."),
     runtime::Translatable("The deadline has %s days left, please pay for it soon."), false,
     TEventClass::Hint, "CheckBox1", "CheckBox4", "CheckBox2"},
    {0, runtime::Translatable("Expiring remind"), "使用期小于3天告警",
     runtime::Translatable(
         "The your accounn deadline  has 3 days left, please pay for it or contact us."),
     "", true, TEventClass::Warning, "CheckBox3", "CheckBox5", "CheckBox6"},
    {0, runtime::Translatable("Expired remind"), "使用期结束告警",
     runtime::Translatable("The trial days have finished, please pay for it or contact us"), "",
     true, TEventClass::Warning, "CheckBox9", "CheckBox10", "CheckBox11"},
    {0, runtime::Translatable("Update remind"), "系统检查到新版本",
     runtime::Translatable("You have the outdate version, please update it"), "", true,
     TEventClass::Hint, "CheckBox12", "CheckBox13", "CheckBox14"},
    {1, runtime::Translatable("No registered"), "您的域名尚未注册,请先到我们的网站注册此域名",
     runtime::Translatable("Your domain name , %s , have not registered, please do it now."), "",
     false, TEventClass::Warning, "CheckBox15", "CheckBox16", "CheckBox17"},
    {1, runtime::Translatable("No transfer"),
     "您的域名尚未转入,请转入此域名,或将其域名服务器指向我们的主、辅域名服务器",
     runtime::Translatable(
         "Your domain name , %s ,have not been submitted, please do it right now."),
     "", false, TEventClass::Warning, "CheckBox18", "CheckBox19", "CheckBox20"},
    {1, runtime::Translatable("Expiring"), "您的域名即将过期,请及时为此域名续费",
     runtime::Translatable("Your domain name will be expired, please pay for it in time"), "",
     false, TEventClass::Hint, "CheckBox21", "CheckBox22", "CheckBox23"},
    {1, runtime::Translatable("Expired"), "您的域名已经过期,请立即为此域名续费",
     runtime::Translatable("Your domain name has expired,it will reopen if paid"), "", false,
     TEventClass::Warning, "CheckBox24", "CheckBox25", "CheckBox26"},
    {2, runtime::Translatable("No WAN IP remind"),
     "您的服务器没有公网IP,您的域名可能被解析到你的出口网关机器。如果您可以控制网关，并且确认网"
     "关处有公网IP，您可以在网关处设置端口转发使域名解析指向您本机。如果网关处没有公网IP或不可操"
     "控网关，您可以使用Zorvanpro软件直接在LAN内架设服务器",
     runtime::Translatable(
         "No WAN IP in this host, if  need to establish a website, please map the ports."),
     "", true, TEventClass::Hint, "CheckBox7", "CheckBox8", "CheckBox27"},
    // No check raises this one; its runtime::Translatable("loudspeaker") box decides the beep when
    // a login is lost.
    {2, runtime::Translatable("Cut off warning"), "由于网络问题,Zorvan连不上服务器", "", "", false,
     TEventClass::Warning, "CheckBox28", "CheckBox29", "CheckBox30"},
}};

}  // namespace kelbrin::reminders
