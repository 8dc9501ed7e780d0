#pragma once
// The source family served by the program: one row per model index.
// Plain data only, shared with the virtual power source so that both ends
// agree on names and identification texts.
#include <array>
#include <string_view>

namespace ostrel {

constexpr std::string_view kMakerName = "Korvath Instruments";
constexpr std::string_view kMakerNameCaps = "KORVATH INSTRUMENTS";
// Family key of the older product line that identification accepts as index 100.
constexpr std::string_view kOtherLineKey = "KLX";

struct ModelRow {
    int index;
    std::string_view identifier;  // "Model-1" ... "Model-13"
    std::string_view displayName; // the model's name as shown to the operator
    std::string_view fixedName;   // rows 2, 3, 7, 8, 9 show this instead of displayName
    std::string_view idnModel;    // model field of the identification reply (may hold blanks)
    bool vkFamily;
    int phases;        // table default
    bool modeSwitchable;
    double powerMultiplier;
    double currentMultiplier;
    int listCapacity;    // points a transient list holds
    double minimumDwell; // seconds: the shortest list point the source plays
};

constexpr std::array<ModelRow, 13> kModelTable{{
    {0, "Model-1", "VK751", "", "VK 751", true, 1, false, 1, 1, 100, 0.001},
    {1, "Model-2", "VK1501", "", "VK 1501", true, 1, false, 2, 2, 100, 0.001},
    {2, "Model-3", "VK2251", "VK2251-SP", "VK 2251", true, 1, false, 3, 3, 100, 0.001},
    {3, "Model-4", "VK1153", "VK1153-TP", "VK 1153", true, 3, false, 1.5, 0.5, 100, 0.001},
    {4, "Model-5", "VK753M", "", "VK 753M", true, 3, true, 1, 1, 100, 0.001},
    {5, "Model-6", "VK753M", "", "VK 753M", true, 3, true, 1, 1, 100, 0.001},
    {6, "Model-7", "VK3001", "", "VK 3001", true, 1, false, 4, 4, 100, 0.001},
    {7, "Model-8", "VK4501", "VK4501-SP", "VK 4501", true, 1, false, 6, 6, 100, 0.001},
    {8, "Model-9", "VK4503", "VK4503-TP", "VK 4503", true, 3, false, 6, 2, 100, 0.001},
    {9, "Model-10", "VK4503M", "VK4503M-TP", "VK 4503M", true, 3, true, 6, 2, 100, 0.001},
    {10, "Model-11", "K751", "", "K 751", false, 1, false, 1, 1, 32, 0.01},
    {11, "Model-12", "K1501", "", "K 1501", false, 1, false, 2, 2, 32, 0.01},
    {12, "Model-13", "K753M", "", "K 753M", false, 3, true, 1, 1, 32, 0.01},
}};

// Identification keys, tested in this order against the model text with its
// blanks removed (plain case-sensitive substring test). The Vk rows come first
// so that a Vk name is never taken for the shorter name of its older relative.
struct IdentityRule {
    std::array<std::string_view, 2> keys; // "" = unused
    int nameOfModel;                      // index whose display name also matches
    int index;                            // the model index found
};

constexpr std::array<IdentityRule, 10> kIdentityRules{{
    {{"VK751", "VK751L"}, 0, 0},
    {{"VK1501", "VK1501L"}, 1, 1},
    {{"VK753M", ""}, 4, 4},
    {{"VK2251", ""}, 2, 2},
    {{"K751", ""}, 10, 10},
    {{"K1501", ""}, 11, 11},
    {{"K753M", ""}, 12, 12},
    {{"VK1153", ""}, 3, 3},
    {{"VK753", "VK2253"}, 4, 4},
    {{"VK3001", ""}, 6, 6},
}};

} // namespace ostrel
