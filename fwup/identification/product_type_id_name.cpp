#include "fwup/identification/product_type_id_name.h"

#include <array>

namespace cvsw::muppet {

namespace {

constexpr const char* INVALID = "?INVALID_PRODUCT_TYPE_ID?";

// One row per product type id. Rows this program does not tell apart carry neutral names that
// only need to be fixed and distinct; unassigned ids have no product.
constexpr std::array<const char*, 182> names = {
    "RESERVED",                        // 0
    "PRODUCT_TYPE_001",                // 1
    "PRODUCT_TYPE_002",                // 2
    "PRODUCT_TYPE_003",                // 3
    "PRODUCT_TYPE_004",                // 4
    "PRODUCT_TYPE_005",                // 5
    "PRODUCT_TYPE_006",                // 6
    "PRODUCT_TYPE_007",                // 7
    "PRODUCT_TYPE_008",                // 8
    "PRODUCT_TYPE_009",                // 9
    "PRODUCT_TYPE_010",                // 10
    "PRODUCT_TYPE_011",                // 11
    "PRODUCT_TYPE_012",                // 12
    "PRODUCT_TYPE_013",                // 13
    "PRODUCT_TYPE_014",                // 14
    "PRODUCT_TYPE_015",                // 15
    "PRODUCT_TYPE_016",                // 16
    "PRODUCT_TYPE_017",                // 17
    "PRODUCT_TYPE_018",                // 18
    "PRODUCT_TYPE_019",                // 19
    "PRODUCT_TYPE_020",                // 20
    "PRODUCT_TYPE_021",                // 21
    "PRODUCT_TYPE_022",                // 22
    "PRODUCT_TYPE_023",                // 23
    "PRODUCT_TYPE_024",                // 24
    "PRODUCT_TYPE_025",                // 25
    "PRODUCT_TYPE_026",                // 26
    "PRODUCT_TYPE_027",                // 27
    "PRODUCT_TYPE_028",                // 28
    "PRODUCT_TYPE_029",                // 29
    INVALID,                           // 30
    "PRODUCT_TYPE_031",                // 31
    "PRODUCT_TYPE_032",                // 32
    INVALID,                           // 33
    INVALID,                           // 34
    "PRODUCT_TYPE_035",                // 35
    "PRODUCT_TYPE_036",                // 36
    "PRODUCT_TYPE_037",                // 37
    "PRODUCT_TYPE_038",                // 38
    "PRODUCT_TYPE_039",                // 39
    "PRODUCT_TYPE_040",                // 40
    "PRODUCT_TYPE_041",                // 41
    INVALID,                           // 42
    "PRODUCT_TYPE_043",                // 43
    "PRODUCT_TYPE_044",                // 44
    INVALID,                           // 45
    "PRODUCT_TYPE_046",                // 46
    "PRODUCT_TYPE_047",                // 47
    "PRODUCT_TYPE_048",                // 48
    "PRODUCT_TYPE_049",                // 49
    "PRODUCT_TYPE_050",                // 50
    INVALID,                           // 51
    "PRODUCT_TYPE_052",                // 52
    INVALID,                           // 53
    INVALID,                           // 54
    INVALID,                           // 55
    "PRODUCT_TYPE_056",                // 56
    "PRODUCT_TYPE_057",                // 57
    "PRODUCT_TYPE_058",                // 58
    "PRODUCT_TYPE_059",                // 59
    "PRODUCT_TYPE_060",                // 60
    "PRODUCT_TYPE_061",                // 61
    "PRODUCT_TYPE_062",                // 62
    "PRODUCT_TYPE_063",                // 63
    "PRODUCT_TYPE_064",                // 64
    "PRODUCT_TYPE_065",                // 65
    "PRODUCT_TYPE_066",                // 66
    "PRODUCT_TYPE_067",                // 67
    "PRODUCT_TYPE_068",                // 68
    "PRODUCT_TYPE_069",                // 69
    "PRODUCT_TYPE_070",                // 70
    "PRODUCT_TYPE_071",                // 71
    "PRODUCT_TYPE_072",                // 72
    "PRODUCT_TYPE_073",                // 73
    "PRODUCT_TYPE_074",                // 74
    "PRODUCT_TYPE_075",                // 75
    "PRODUCT_TYPE_076",                // 76
    "PRODUCT_TYPE_077",                // 77
    "PRODUCT_TYPE_078",                // 78
    "PRODUCT_TYPE_079",                // 79
    "PRODUCT_TYPE_080",                // 80
    "PRODUCT_TYPE_081",                // 81
    "PRODUCT_TYPE_082",                // 82
    "PRODUCT_TYPE_083",                // 83
    "PRODUCT_TYPE_084",                // 84
    "PRODUCT_TYPE_085",                // 85
    "PRODUCT_TYPE_086",                // 86
    "PRODUCT_TYPE_087",                // 87
    "PRODUCT_TYPE_088",                // 88
    "PRODUCT_TYPE_089",                // 89
    "PRODUCT_TYPE_090",                // 90
    "PRODUCT_TYPE_091",                // 91
    "PRODUCT_TYPE_092",                // 92
    "PRODUCT_TYPE_093",                // 93
    INVALID,                           // 94
    "PRODUCT_TYPE_095",                // 95
    "PRODUCT_TYPE_096",                // 96
    "PRODUCT_TYPE_097",                // 97
    "PRODUCT_TYPE_098",                // 98
    "PRODUCT_TYPE_099",                // 99
    "PRODUCT_TYPE_100",                // 100
    "PRODUCT_TYPE_101",                // 101
    "PRODUCT_TYPE_102",                // 102
    "PRODUCT_TYPE_103",                // 103
    "PRODUCT_TYPE_104",                // 104
    "PRODUCT_TYPE_105",                // 105
    "PRODUCT_TYPE_106",                // 106
    "PRODUCT_TYPE_107",                // 107
    "PRODUCT_TYPE_108",                // 108
    "PRODUCT_TYPE_109",                // 109
    "PRODUCT_TYPE_110",                // 110
    "PRODUCT_TYPE_111",                // 111
    "PRODUCT_TYPE_112",                // 112
    "PRODUCT_TYPE_113",                // 113
    "PRODUCT_TYPE_114",                // 114
    "PRODUCT_TYPE_115",                // 115
    "PRODUCT_TYPE_116",                // 116
    "PRODUCT_TYPE_117",                // 117
    "PRODUCT_TYPE_118",                // 118
    "PRODUCT_TYPE_119",                // 119
    INVALID,                           // 120
    "PRODUCT_TYPE_121",                // 121
    "PRODUCT_TYPE_122",                // 122
    "PRODUCT_TYPE_123",                // 123
    "PRODUCT_TYPE_124",                // 124
    "PRODUCT_TYPE_125",                // 125
    "PRODUCT_TYPE_126",                // 126
    "PRODUCT_TYPE_127",                // 127
    "PRODUCT_TYPE_128",                // 128
    "PRODUCT_TYPE_129",                // 129
    "PRODUCT_TYPE_130",                // 130
    "PRODUCT_TYPE_131",                // 131
    "PRODUCT_TYPE_132",                // 132
    "PRODUCT_TYPE_133",                // 133
    "PRODUCT_TYPE_134",                // 134
    "PRODUCT_TYPE_135",                // 135
    "PRODUCT_TYPE_136",                // 136
    "PRODUCT_TYPE_137",                // 137
    "PRODUCT_TYPE_138",                // 138
    "PRODUCT_TYPE_139",                // 139
    "PRODUCT_TYPE_140",                // 140
    "PRODUCT_TYPE_141",                // 141
    "PRODUCT_TYPE_142",                // 142
    "PRODUCT_TYPE_143",                // 143
    "LODESTAR_CONTROL_POD",            // 144
    "LODESTAR_CONTROL_POD_BOOTLOADER", // 145
    "PRODUCT_TYPE_146",                // 146
    "PRODUCT_TYPE_147",                // 147
    "PRODUCT_TYPE_148",                // 148
    "PRODUCT_TYPE_149",                // 149
    "PRODUCT_TYPE_150",                // 150
    "PRODUCT_TYPE_151",                // 151
    "PRODUCT_TYPE_152",                // 152
    "PRODUCT_TYPE_153",                // 153
    "PRODUCT_TYPE_154",                // 154
    "PRODUCT_TYPE_155",                // 155
    "PRODUCT_TYPE_156",                // 156
    "PRODUCT_TYPE_157",                // 157
    "PRODUCT_TYPE_158",                // 158
    "PRODUCT_TYPE_159",                // 159
    "PRODUCT_TYPE_160",                // 160
    "NORDIC_BLUETOOTH_LE_GATEWAY",     // 161
    "PRODUCT_TYPE_162",                // 162
    INVALID,                           // 163
    "PRODUCT_TYPE_164",                // 164
    "PRODUCT_TYPE_165",                // 165
    "PRODUCT_TYPE_166",                // 166
    "PRODUCT_TYPE_167",                // 167
    "PRODUCT_TYPE_168",                // 168
    "PRODUCT_TYPE_169",                // 169
    "PRODUCT_TYPE_170",                // 170
    INVALID,                           // 171
    INVALID,                           // 172
    "PRODUCT_TYPE_173",                // 173
    "PRODUCT_TYPE_174",                // 174
    "PRODUCT_TYPE_175",                // 175
    "PRODUCT_TYPE_176",                // 176
    "PRODUCT_TYPE_177",                // 177
    "PRODUCT_TYPE_178",                // 178
    "PRODUCT_TYPE_179",                // 179
    "PRODUCT_TYPE_180",                // 180
    "PRODUCT_TYPE_181",                // 181
};

} // namespace

const char* product_type_id_name(ProductTypeId id) {
    return id < names.size() ? names[id] : INVALID;
}

} // namespace cvsw::muppet
