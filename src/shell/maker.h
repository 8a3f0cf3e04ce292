#pragma once

// Who makes the program, as the title and home screens show it.
namespace Maker {

constexpr const char *Name = "Dunmorrow";
// The maker's page; the domain is reserved for examples, so nothing real is reached.
constexpr const char *WebAddress = "https://www.example.org/quorvale";
// The address as the home screen prints it: short enough for its one-line box.
constexpr const char *WebAddressShown = "www.example.org/quorvale";
// Quorvale is free software under the GNU GPL, version 3 or later (see LICENSE).
constexpr const char *RightsNotice = "\u00a9 2026 Dunmorrow. Free software under the GNU GPL.";
// The same, for the home screen's narrower line.
constexpr const char *ShortRightsNotice = "\u00a9 2026 Dunmorrow";

} // namespace Maker
