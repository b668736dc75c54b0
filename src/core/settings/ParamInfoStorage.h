#pragma once

#include "settings/ParamInfo.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::settings {

// The client's service, whose presence `AsService` reflects.
inline constexpr char kServiceName[] = "PROKelbrinService";

// The record as stored (the store half of LoadSettings): AsService from the service query (the
// stored "AsService" plays no part), texts trimmed, flags by the read-back rules, and SavePwd
// forced off when user name and password are both empty. Throws only what the service query
// throws.
TParamInfo LoadParamInfo(SettingsBackend& backend = SystemSettingsBackend());

// Writes the record (the store half of SaveSettings) in one atomic replace of the store, texts
// untrimmed, flags "1"/"0", then sets the autostart entry to AutoRunAsOSStart. A failing write
// throws SettingsError and leaves the stored record as it was: never one account's name with
// another's password.
void SaveParamInfo(const TParamInfo& record, SettingsBackend& backend = SystemSettingsBackend());

}  // namespace kelbrin::settings
