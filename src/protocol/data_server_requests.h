#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The simulator's data server as its clients find and ask it: the window class it owns, the
// message it answers, and the codes of the five flight variables with the units it answers in.
namespace veltrano::data_server {

inline constexpr std::string_view kWindowClass = "FSCONNECT8";
// Registered by name, so every process gets the same message id for it.
inline constexpr std::string_view kConnectMessageName = "WM_FSCONNECT";

inline constexpr std::int32_t kPitchCode = 77;  // degrees, nose up positive
inline constexpr std::int32_t kBankCode = 79;   // degrees 0..360: right wing down 0 to 90,
                                                // left wing down 360 minus the angle
inline constexpr std::int32_t kSlipCode = 70;   // slip indicator, a full ball at -9000..9000
inline constexpr std::int32_t kRpmCode = 135;   // engine revolutions per minute
inline constexpr std::int32_t kSpeedCode = 61;  // knots

inline constexpr std::array<std::int32_t, 5> kVariableCodes = {kPitchCode, kBankCode, kSlipCode,
                                                               kRpmCode, kSpeedCode};

}  // namespace veltrano::data_server
