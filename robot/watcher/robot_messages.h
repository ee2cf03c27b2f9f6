// The robot's own window messages and the numbers they carry: the lookup a
// query thread hands to the user-interface thread, and the three messages by
// which another program selects a profile through the frame's hidden text
// slot.  The notifications of the hook library are those of
// sentrel/notifications.h.
#pragma once

#include <cstdint>

namespace korvex::rm {

// RM_REMOTE_QUERY (WM_USER + 2), sent with SendMessageW by a query thread;
// lParam is the address of a query::RemoteQueryRecord that the query
// service registered.  Never admitted through the message filter.
inline constexpr std::uint32_t kRemoteQuery = 0x402;

// RM_CLEAR_SLOT: empties the slot; returns 0.
inline constexpr std::uint32_t kClearSlot = 0x4C8;
// RM_GET_SLOT: returns the slot's window handle when wParam and lParam carry
// the two magic numbers below, else -1.
inline constexpr std::uint32_t kGetSlot = 0x4CA;
inline constexpr std::uint32_t kGetSlotWParam = 0x5E3A91C4u;
inline constexpr std::uint32_t kGetSlotLParam = 0x8D27F06Bu;
// RM_SELECT_PROFILE: activates the profile named by the slot's text; returns
// one of the results below.
inline constexpr std::uint32_t kSelectProfile = 0x4CB;

inline constexpr std::intptr_t kSelectDone = 0;
inline constexpr std::intptr_t kSelectNoSuchProfile = 2;
inline constexpr std::intptr_t kSelectEmptySlot = 1160;
// kSelectNotAllowed + the tray state: selecting is not allowed now.
inline constexpr std::intptr_t kSelectNotAllowed = 60000;

}  // namespace korvex::rm
