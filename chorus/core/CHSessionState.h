#pragma once

// The states of a login session, with their values: bit 0x200 is set in the open states, bit
// 0x100 in the closed ones.
enum class CHSessionState : int {
    Created = 0,
    CreatedTokenLoaded = 1,
    CreatedOpening = 2,
    Open = 513,
    OpenTokenExtended = 514,
    ClosedLoginFailed = 257,
    Closed = 258,
};

inline constexpr int CHSessionStateOpenBit = 0x200;
inline constexpr int CHSessionStateClosedBit = 0x100;

inline constexpr bool CHSessionStateIsOpen(CHSessionState state) {
    return (static_cast<int>(state) & CHSessionStateOpenBit) != 0;
}
inline constexpr bool CHSessionStateIsClosed(CHSessionState state) {
    return (static_cast<int>(state) & CHSessionStateClosedBit) != 0;
}
