#pragma once
// The product version of this build, in place of a version resource.
namespace velmo {
constexpr int kVersionMajor = VELMO_VERSION_MAJOR;
constexpr int kVersionMinor = VELMO_VERSION_MINOR;
constexpr int kVersionPatch = VELMO_VERSION_PATCH;
constexpr int kVersionTweak = VELMO_VERSION_TWEAK;
} // namespace velmo
