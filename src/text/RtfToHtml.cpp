// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/RtfToHtml.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// Upper halves (0x80..0xFF) of the single-byte code pages the converter
// knows, generated from Python's codecs; 0 marks an undefined byte.
constexpr char16_t kCp1250[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
constexpr char16_t kCp1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
constexpr char16_t kCp1252[128] = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x017D, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
constexpr char16_t kCp1253[128] = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0000, 0x2039, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0000, 0x203A, 0x0000, 0x0000, 0x0000, 0x0000,
    0x00A0, 0x0385, 0x0386, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x0000, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x0384, 0x00B5, 0x00B6, 0x00B7,
    0x0388, 0x0389, 0x038A, 0x00BB, 0x038C, 0x00BD, 0x038E, 0x038F,
    0x0390, 0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397,
    0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D, 0x039E, 0x039F,
    0x03A0, 0x03A1, 0x0000, 0x03A3, 0x03A4, 0x03A5, 0x03A6, 0x03A7,
    0x03A8, 0x03A9, 0x03AA, 0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF,
    0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7,
    0x03B8, 0x03B9, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BE, 0x03BF,
    0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4, 0x03C5, 0x03C6, 0x03C7,
    0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0x0000,
};
constexpr char16_t kCp1254[128] = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x0000, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x0000, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x011E, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x0130, 0x015E, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x011F, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0131, 0x015F, 0x00FF,
};
constexpr char16_t kCp1255[128] = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0000, 0x2039, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0000, 0x203A, 0x0000, 0x0000, 0x0000, 0x0000,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x20AA, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00D7, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00F7, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x05B0, 0x05B1, 0x05B2, 0x05B3, 0x05B4, 0x05B5, 0x05B6, 0x05B7,
    0x05B8, 0x05B9, 0x0000, 0x05BB, 0x05BC, 0x05BD, 0x05BE, 0x05BF,
    0x05C0, 0x05C1, 0x05C2, 0x05C3, 0x05F0, 0x05F1, 0x05F2, 0x05F3,
    0x05F4, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x05D0, 0x05D1, 0x05D2, 0x05D3, 0x05D4, 0x05D5, 0x05D6, 0x05D7,
    0x05D8, 0x05D9, 0x05DA, 0x05DB, 0x05DC, 0x05DD, 0x05DE, 0x05DF,
    0x05E0, 0x05E1, 0x05E2, 0x05E3, 0x05E4, 0x05E5, 0x05E6, 0x05E7,
    0x05E8, 0x05E9, 0x05EA, 0x0000, 0x0000, 0x200E, 0x200F, 0x0000,
};
constexpr char16_t kCp1256[128] = {
    0x20AC, 0x067E, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0679, 0x2039, 0x0152, 0x0686, 0x0698, 0x0688,
    0x06AF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x06A9, 0x2122, 0x0691, 0x203A, 0x0153, 0x200C, 0x200D, 0x06BA,
    0x00A0, 0x060C, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x06BE, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x061B, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x061F,
    0x06C1, 0x0621, 0x0622, 0x0623, 0x0624, 0x0625, 0x0626, 0x0627,
    0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F,
    0x0630, 0x0631, 0x0632, 0x0633, 0x0634, 0x0635, 0x0636, 0x00D7,
    0x0637, 0x0638, 0x0639, 0x063A, 0x0640, 0x0641, 0x0642, 0x0643,
    0x00E0, 0x0644, 0x00E2, 0x0645, 0x0646, 0x0647, 0x0648, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x0649, 0x064A, 0x00EE, 0x00EF,
    0x064B, 0x064C, 0x064D, 0x064E, 0x00F4, 0x064F, 0x0650, 0x00F7,
    0x0651, 0x00F9, 0x0652, 0x00FB, 0x00FC, 0x200E, 0x200F, 0x06D2,
};
constexpr char16_t kCp1257[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0000, 0x2039, 0x0000, 0x00A8, 0x02C7, 0x00B8,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0000, 0x203A, 0x0000, 0x00AF, 0x02DB, 0x0000,
    0x00A0, 0x0000, 0x00A2, 0x00A3, 0x00A4, 0x0000, 0x00A6, 0x00A7,
    0x00D8, 0x00A9, 0x0156, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00C6,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00F8, 0x00B9, 0x0157, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00E6,
    0x0104, 0x012E, 0x0100, 0x0106, 0x00C4, 0x00C5, 0x0118, 0x0112,
    0x010C, 0x00C9, 0x0179, 0x0116, 0x0122, 0x0136, 0x012A, 0x013B,
    0x0160, 0x0143, 0x0145, 0x00D3, 0x014C, 0x00D5, 0x00D6, 0x00D7,
    0x0172, 0x0141, 0x015A, 0x016A, 0x00DC, 0x017B, 0x017D, 0x00DF,
    0x0105, 0x012F, 0x0101, 0x0107, 0x00E4, 0x00E5, 0x0119, 0x0113,
    0x010D, 0x00E9, 0x017A, 0x0117, 0x0123, 0x0137, 0x012B, 0x013C,
    0x0161, 0x0144, 0x0146, 0x00F3, 0x014D, 0x00F5, 0x00F6, 0x00F7,
    0x0173, 0x0142, 0x015B, 0x016B, 0x00FC, 0x017C, 0x017E, 0x02D9,
};
constexpr char16_t kCp1258[128] = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0000, 0x2039, 0x0152, 0x0000, 0x0000, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0000, 0x203A, 0x0153, 0x0000, 0x0000, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x0300, 0x00CD, 0x00CE, 0x00CF,
    0x0110, 0x00D1, 0x0309, 0x00D3, 0x00D4, 0x01A0, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x01AF, 0x0303, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x0301, 0x00ED, 0x00EE, 0x00EF,
    0x0111, 0x00F1, 0x0323, 0x00F3, 0x00F4, 0x01A1, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x01B0, 0x20AB, 0x00FF,
};
constexpr char16_t kCp874[128] = {
    0x20AC, 0x0000, 0x0000, 0x0000, 0x0000, 0x2026, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x00A0, 0x0E01, 0x0E02, 0x0E03, 0x0E04, 0x0E05, 0x0E06, 0x0E07,
    0x0E08, 0x0E09, 0x0E0A, 0x0E0B, 0x0E0C, 0x0E0D, 0x0E0E, 0x0E0F,
    0x0E10, 0x0E11, 0x0E12, 0x0E13, 0x0E14, 0x0E15, 0x0E16, 0x0E17,
    0x0E18, 0x0E19, 0x0E1A, 0x0E1B, 0x0E1C, 0x0E1D, 0x0E1E, 0x0E1F,
    0x0E20, 0x0E21, 0x0E22, 0x0E23, 0x0E24, 0x0E25, 0x0E26, 0x0E27,
    0x0E28, 0x0E29, 0x0E2A, 0x0E2B, 0x0E2C, 0x0E2D, 0x0E2E, 0x0E2F,
    0x0E30, 0x0E31, 0x0E32, 0x0E33, 0x0E34, 0x0E35, 0x0E36, 0x0E37,
    0x0E38, 0x0E39, 0x0E3A, 0x0000, 0x0000, 0x0000, 0x0000, 0x0E3F,
    0x0E40, 0x0E41, 0x0E42, 0x0E43, 0x0E44, 0x0E45, 0x0E46, 0x0E47,
    0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C, 0x0E4D, 0x0E4E, 0x0E4F,
    0x0E50, 0x0E51, 0x0E52, 0x0E53, 0x0E54, 0x0E55, 0x0E56, 0x0E57,
    0x0E58, 0x0E59, 0x0E5A, 0x0E5B, 0x0000, 0x0000, 0x0000, 0x0000,
};
constexpr char16_t kCp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};
constexpr char16_t kCp850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};
constexpr char16_t kCp10000[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};
struct CodePageTable { int codePage; const char16_t *upper; };
constexpr CodePageTable kCodePages[] = {
    {1250, kCp1250},
    {1251, kCp1251},
    {1252, kCp1252},
    {1253, kCp1253},
    {1254, kCp1254},
    {1255, kCp1255},
    {1256, kCp1256},
    {1257, kCp1257},
    {1258, kCp1258},
    {874, kCp874},
    {437, kCp437},
    {850, kCp850},
    {10000, kCp10000},
};

const char16_t *tableFor(int codePage)
{
    for (const CodePageTable &t : kCodePages) {
        if (t.codePage == codePage)
            return t.upper;
    }
    return nullptr;
}

// Code page of a font character set (\fcharset); 0 for "the document's".
int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0: return 0;       // ANSI: the document's code page
    case 1: return 0;       // default
    case 2: return 1252;    // Symbol: no real mapping, read as Western
    case 77: return 10000;  // Mac Roman
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

QChar decodeByte(unsigned char b, const char16_t *upper)
{
    if (b < 0x80)
        return QChar(char16_t(b));
    const char16_t u = upper ? upper[b - 0x80] : kCp1252[b - 0x80];
    return QChar(u);
}

// ---------------------------------------------------------------- states

struct CharFmt
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int vAlign = 0;       // 0 normal, 1 superscript, 2 subscript
    int halfPoints = 24;  // \fs, 12 pt by default
    int font = -1;        // -1: the default font (\deff)
    int colour = 0;       // index in the colour table, 0 = automatic
    int highlight = 0;    // index in the colour table, 0 = none

    bool operator==(const CharFmt &) const = default;
};

struct ParaFmt
{
    int align = 0;        // 0 left, 1 centre, 2 right, 3 justified
    int spaceBefore = 0;  // twips
    int spaceAfter = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int lineSpacing = 0;  // \sl: twips, negative exact, 0 = single
    bool lineMultiple = false; // \slmult1: \sl counts in 240ths of a line
};

enum class Dest : std::uint8_t { Text, FontTable, ColourTable, Skip };

struct GroupState
{
    CharFmt chr;
    ParaFmt para;
    Dest dest = Dest::Text;
    int uc = 1;           // fallback characters after \uN
    bool star = false;    // a \* was just read in this group
};

struct FontInfo
{
    QString name;
    int codePage = 0;     // 0: the document's
};

struct Run
{
    CharFmt fmt;
    QString text;         // U+2028 marks a \line break
};

// ---------------------------------------------------------------- keywords

enum class Kw : std::uint8_t {
    // destinations
    FontTable, ColourTable, SkipDest, FieldResult,
    // document
    Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, Deff,
    // font table entries
    Font, FCharset, Cpg,
    // colour table entries
    Red, Green, Blue,
    // character formatting
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, Hidden, Super, Sub, NoSuperSub,
    FontSize, Colour, Highlight, Uc, U,
    // paragraphs
    Pard, Par, Line, Tab, Cell, Row, AlignLeft, AlignCentre, AlignRight, AlignJustify,
    SpaceBefore, SpaceAfter, LeftIndent, RightIndent, FirstIndent, LineSpacing, LineMultiple,
    // characters
    EmDash, EnDash, Bullet, LQuote, RQuote, LDblQuote, RDblQuote, EmSpace, EnSpace, Zwj,
    Zwnj,
    // binary data
    Bin,
};

const std::unordered_map<std::string_view, Kw> &keywords()
{
    static const std::unordered_map<std::string_view, Kw> map = [] {
        std::unordered_map<std::string_view, Kw> m = {
            {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColourTable},
            {"fldrslt", Kw::FieldResult},
            {"rtf", Kw::Rtf}, {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc},
            {"pca", Kw::Pca}, {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff},
            {"f", Kw::Font}, {"fcharset", Kw::FCharset}, {"cpg", Kw::Cpg},
            {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
            {"plain", Kw::Plain}, {"b", Kw::Bold}, {"i", Kw::Italic},
            {"ul", Kw::Underline}, {"uld", Kw::Underline}, {"uldb", Kw::Underline},
            {"uldash", Kw::Underline}, {"uldashd", Kw::Underline}, {"uldashdd", Kw::Underline},
            {"ulth", Kw::Underline}, {"ulw", Kw::Underline}, {"ulwave", Kw::Underline},
            {"ulhwave", Kw::Underline}, {"ululdbwave", Kw::Underline}, {"ulldash", Kw::Underline},
            {"ulthd", Kw::Underline}, {"ulthdash", Kw::Underline}, {"ulnone", Kw::UnderlineNone},
            {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"v", Kw::Hidden},
            {"super", Kw::Super}, {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub},
            {"up", Kw::Super}, {"dn", Kw::Sub},
            {"fs", Kw::FontSize}, {"cf", Kw::Colour}, {"highlight", Kw::Highlight},
            {"cb", Kw::Highlight}, {"chcbpat", Kw::Highlight}, {"uc", Kw::Uc}, {"u", Kw::U},
            {"pard", Kw::Pard}, {"par", Kw::Par}, {"sect", Kw::Par}, {"page", Kw::Par},
            {"column", Kw::Par}, {"line", Kw::Line}, {"tab", Kw::Tab}, {"cell", Kw::Cell},
            {"nestcell", Kw::Cell}, {"row", Kw::Row}, {"nestrow", Kw::Row},
            {"ql", Kw::AlignLeft}, {"qc", Kw::AlignCentre}, {"qr", Kw::AlignRight},
            {"qj", Kw::AlignJustify}, {"qd", Kw::AlignJustify},
            {"sb", Kw::SpaceBefore}, {"sa", Kw::SpaceAfter}, {"li", Kw::LeftIndent},
            {"ri", Kw::RightIndent}, {"fi", Kw::FirstIndent}, {"sl", Kw::LineSpacing}, {"slmult", Kw::LineMultiple},
            {"emdash", Kw::EmDash}, {"endash", Kw::EnDash}, {"bullet", Kw::Bullet},
            {"lquote", Kw::LQuote}, {"rquote", Kw::RQuote}, {"ldblquote", Kw::LDblQuote},
            {"rdblquote", Kw::RDblQuote}, {"emspace", Kw::EmSpace}, {"enspace", Kw::EnSpace},
            {"qmspace", Kw::EnSpace}, {"zwj", Kw::Zwj}, {"zwnj", Kw::Zwnj},
            {"bin", Kw::Bin},
        };
        // Destinations whose content is never shown.
        for (const char *d : {"stylesheet", "info", "pict", "object", "objdata", "header",
                              "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
                              "footerf", "footnote", "fldinst", "themedata",
                              "colorschememapping", "datastore", "latentstyles", "listtable",
                              "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl", "pgdsctbl",
                              "filetbl", "generator", "pnseclvl", "shpinst", "nonshppict",
                              "shppict", "bkmkstart", "bkmkend", "xe", "tc", "txe", "do",
                              "atnid", "atnauthor", "annotation", "atrfstart", "atrfend",
                              "author", "operator", "title", "subject", "keywords", "comment",
                              "doccomm", "company", "template", "docvar", "userprops",
                              "formfield", "datafield", "ftnsep", "ftnsepc", "ftncn",
                              "aftnsep", "aftnsepc", "aftncn", "mmathPr", "pn", "pntxta",
                              "pntxtb", "listpicture", "protusertbl", "wgrffmtfilter",
                              "passwordhash", "fchars", "lchars", "background", "sp", "sn",
                              "sv", "blipuid", "falt", "panose", "fontemb", "fontfile",
                              "upr", "ud", "oldcprops", "oldpprops", "oldsprops", "oldtprops",
                              "password", "private", "mhtmltag", "htmltag", "ebcstart",
                              "ebcend", "buptim", "creatim", "printim", "revtim", "hlinkbase",
                              "nextfile", "field_placeholder"}) {
            m.emplace(d, Kw::SkipDest);
        }
        return m;
    }();
    return map;
}

// ---------------------------------------------------------------- output

void appendEscaped(QString &out, const QString &text)
{
    out.reserve(out.size() + text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case 0x2028: out += QLatin1String("<br />"); break;
        default: out += c; break;
        }
    }
}

QString colourName(std::uint32_t rgb)
{
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
}

// A font name made safe for a CSS string in a style attribute.
QString cssFontName(const QString &name)
{
    QString safe;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c == QLatin1Char('\'') || c == QLatin1Char('"')
            || c == QLatin1Char(';') || c == QLatin1Char(':') || c == QLatin1Char('\\')
            || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('&')
            || c == QLatin1Char('{') || c == QLatin1Char('}') || c == QLatin1Char('(')
            || c == QLatin1Char(')'))
            continue;
        safe += c;
    }
    return safe.trimmed();
}

int twipsToPx(int twips, int lo, int hi)
{
    return std::clamp(twips / 15, lo, hi);
}

// ---------------------------------------------------------------- reader

class Reader
{
public:
    explicit Reader(const QByteArray &data) : data_(data) {}

    QString run();

private:
    // Input.
    const QByteArray &data_;
    qsizetype pos_ = 0;

    // Groups.
    std::vector<GroupState> stack_;
    int excessDepth_ = 0;
    bool finished_ = false;

    // Document.
    int docCodePage_ = 1252;
    int defaultFont_ = -1;
    std::unordered_map<int, FontInfo> fonts_;
    std::vector<std::int64_t> colours_;   // -1: automatic
    // Entry of the font table being read.
    int entryFont_ = -1;
    int entryCodePage_ = 0;
    QString entryName_;
    // Entry of the colour table being read.
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourSet_ = false;

    // Unicode.
    int pendingSkip_ = 0;
    char16_t pendingHigh_ = 0;

    // Paragraph being built and the output.
    std::vector<Run> runs_;
    QString html_;

    GroupState &top() { return stack_.back(); }

    void openGroup();
    void closeGroup();
    void readControl();
    void handleWord(std::string_view word, bool hasParam, int param);
    void textByte(unsigned char b);
    void textChar(char16_t c);
    void unicodeChar(int value);
    void appendToParagraph(QChar c);
    void endParagraph();
    void commitFontEntry();
    void commitColourEntry();
    const char16_t *currentTable() const;
    QString styleOf(const CharFmt &fmt) const;
    bool outputFull() const { return html_.size() >= Rtf::kMaxOutput; }
};

const char16_t *Reader::currentTable() const
{
    int cp = 0;
    const int f = stack_.back().chr.font >= 0 ? stack_.back().chr.font : defaultFont_;
    if (f >= 0) {
        const auto it = fonts_.find(f);
        if (it != fonts_.end())
            cp = it->second.codePage;
    }
    if (cp == 0)
        cp = docCodePage_;
    const char16_t *t = tableFor(cp);
    return t ? t : kCp1252;
}

void Reader::openGroup()
{
    pendingSkip_ = 0;
    if (int(stack_.size()) > Rtf::kMaxGroupDepth) {
        ++excessDepth_;
        return;
    }
    GroupState s = top();
    s.star = false;
    stack_.push_back(s);
}

void Reader::closeGroup()
{
    pendingSkip_ = 0;
    if (excessDepth_ > 0) {
        --excessDepth_;
        return;
    }
    if (top().dest == Dest::FontTable)
        commitFontEntry();
    stack_.pop_back();
    if (stack_.size() <= 1) // the document's own group closed
        finished_ = true;
}

void Reader::commitFontEntry()
{
    if (entryFont_ >= 0 && !entryName_.trimmed().isEmpty()
        && (fonts_.size() < size_t(Rtf::kMaxTableEntries) || fonts_.count(entryFont_))) {
        FontInfo &fi = fonts_[entryFont_];
        fi.name = cssFontName(entryName_);
        fi.codePage = entryCodePage_;
    }
    entryName_.clear();
    entryFont_ = -1;
    entryCodePage_ = 0;
}

void Reader::commitColourEntry()
{
    if (colours_.size() < size_t(Rtf::kMaxTableEntries))
        colours_.push_back(colourSet_ ? std::int64_t((red_ << 16) | (green_ << 8) | blue_) : -1);
    red_ = green_ = blue_ = 0;
    colourSet_ = false;
}

QString Reader::styleOf(const CharFmt &fmt) const
{
    QString s;
    const int f = fmt.font >= 0 ? fmt.font : defaultFont_;
    if (f >= 0) {
        const auto it = fonts_.find(f);
        if (it != fonts_.end() && !it->second.name.isEmpty())
            s += QStringLiteral("font-family:'%1'; ").arg(it->second.name);
    }
    const int hp = std::clamp(fmt.halfPoints, 8, 288);
    if (hp % 2)
        s += QStringLiteral("font-size:%1.5pt; ").arg(hp / 2);
    else
        s += QStringLiteral("font-size:%1pt; ").arg(hp / 2);
    if (fmt.bold)
        s += QLatin1String("font-weight:700; ");
    if (fmt.italic)
        s += QLatin1String("font-style:italic; ");
    if (fmt.underline && fmt.strike)
        s += QLatin1String("text-decoration:underline line-through; ");
    else if (fmt.underline)
        s += QLatin1String("text-decoration:underline; ");
    else if (fmt.strike)
        s += QLatin1String("text-decoration:line-through; ");
    if (fmt.vAlign == 1)
        s += QLatin1String("vertical-align:super; ");
    else if (fmt.vAlign == 2)
        s += QLatin1String("vertical-align:sub; ");
    if (fmt.colour > 0 && size_t(fmt.colour) < colours_.size() && colours_[size_t(fmt.colour)] >= 0)
        s += QStringLiteral("color:%1; ").arg(colourName(std::uint32_t(colours_[size_t(fmt.colour)])));
    if (fmt.highlight > 0 && size_t(fmt.highlight) < colours_.size()
        && colours_[size_t(fmt.highlight)] >= 0)
        s += QStringLiteral("background-color:%1; ")
                 .arg(colourName(std::uint32_t(colours_[size_t(fmt.highlight)])));
    return s.trimmed();
}

void Reader::appendToParagraph(QChar c)
{
    const CharFmt &fmt = top().chr;
    if (fmt.hidden)
        return;
    if (runs_.empty() || !(runs_.back().fmt == fmt))
        runs_.push_back(Run{fmt, QString()});
    runs_.back().text += c;
}

void Reader::endParagraph()
{
    if (pendingHigh_) {
        pendingHigh_ = 0;
        appendToParagraph(QChar(0xFFFD));
    }
    if (outputFull())
        return;
    const ParaFmt &p = top().para;
    QString style = QStringLiteral("margin-top:%1px; margin-bottom:%2px; margin-left:%3px; "
                                   "margin-right:%4px; text-indent:%5px; white-space:pre-wrap;")
                        .arg(twipsToPx(p.spaceBefore, 0, 400))
                        .arg(twipsToPx(p.spaceAfter, 0, 400))
                        .arg(twipsToPx(p.leftIndent, 0, 800))
                        .arg(twipsToPx(p.rightIndent, 0, 800))
                        .arg(twipsToPx(p.firstIndent, -800, 800));
    // Proportional line spacing (\slN\slmult1, N in 240ths of a line) is
    // kept; "at least" and "exact" spacing show as single spacing.
    if (p.lineMultiple && p.lineSpacing > 0)
        style += QStringLiteral(" line-height:%1%;").arg(std::clamp(p.lineSpacing * 100 / 240, 50, 300));
    static const char *const aligns[] = {"left", "center", "right", "justify"};
    const QString align = QLatin1String(aligns[std::clamp(p.align, 0, 3)]);

    bool empty = true;
    for (const Run &r : runs_) {
        if (!r.text.isEmpty()) {
            empty = false;
            break;
        }
    }
    if (empty) {
        // An empty line keeps the height of the text size in force.
        const int hp = std::clamp(top().chr.halfPoints, 8, 288);
        html_ += QStringLiteral("<p align=\"%1\" style=\"-qt-paragraph-type:empty; %2 font-size:%3pt;\"><br /></p>")
                     .arg(align, style)
                     .arg(hp / 2);
    } else {
        html_ += QStringLiteral("<p align=\"%1\" style=\"%2\">").arg(align, style);
        for (const Run &r : runs_) {
            if (r.text.isEmpty())
                continue;
            html_ += QLatin1String("<span style=\"");
            html_ += styleOf(r.fmt);
            html_ += QLatin1String("\">");
            appendEscaped(html_, r.text);
            html_ += QLatin1String("</span>");
        }
        html_ += QLatin1String("</p>");
    }
    runs_.clear();
}

void Reader::textChar(char16_t c)
{
    // A lone high surrogate is completed only by the very next character.
    if (pendingHigh_) {
        const char16_t high = pendingHigh_;
        pendingHigh_ = 0;
        if (QChar::isLowSurrogate(c)) {
            if (top().dest == Dest::Text) {
                appendToParagraph(QChar(high));
                appendToParagraph(QChar(c));
            }
            return;
        }
        textChar(0xFFFD);
    }
    if (QChar::isHighSurrogate(c)) {
        pendingHigh_ = c;
        return;
    }
    if (QChar::isLowSurrogate(c))
        c = 0xFFFD;

    switch (top().dest) {
    case Dest::Skip:
        return;
    case Dest::ColourTable:
        if (c == u';')
            commitColourEntry();
        return;
    case Dest::FontTable:
        if (c == u';')
            commitFontEntry();
        else if (c >= 0x20 && entryName_.size() < 256)
            entryName_ += QChar(c);
        return;
    case Dest::Text:
        break;
    }
    if (c == u'\t' || c == 0x2028) {
        appendToParagraph(QChar(c));
        return;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFEFF || c == 0xFFFE || c == 0xFFFF)
        return;
    appendToParagraph(QChar(c));
}

void Reader::textByte(unsigned char b)
{
    if (b == '\t') {
        textChar(u'\t');
        return;
    }
    if (b < 0x20)
        return;
    const QChar c = decodeByte(b, currentTable());
    if (c.unicode() == 0)
        return; // undefined in this code page
    textChar(c.unicode());
}

void Reader::unicodeChar(int value)
{
    if (value < 0)
        value += 65536;
    if (value < 0 || value > 0xFFFF)
        value = 0xFFFD;
    textChar(char16_t(value));
}

void Reader::handleWord(std::string_view word, bool hasParam, int param)
{
    GroupState &g = top();
    const bool star = g.star;
    g.star = false;

    const auto &kw = keywords();
    const auto it = kw.find(word);
    if (it == kw.end()) {
        if (star)
            g.dest = Dest::Skip; // an optional destination we do not know
        return;
    }
    const Kw k = it->second;

    // Inside a skipped group only \bin matters (its data must be jumped).
    if (g.dest == Dest::Skip && k != Kw::Bin)
        return;

    const int p1 = hasParam ? param : 1;   // toggles: \b = \b1, \b0 = off
    switch (k) {
    case Kw::FontTable:
        g.dest = Dest::FontTable;
        entryName_.clear();
        entryFont_ = -1;
        return;
    case Kw::ColourTable:
        g.dest = Dest::ColourTable;
        red_ = green_ = blue_ = 0;
        colourSet_ = false;
        return;
    case Kw::SkipDest:
        g.dest = Dest::Skip;
        return;
    case Kw::FieldResult:
        if (star)
            g.dest = Dest::Skip;
        return;
    case Kw::Bin: {
        // Binary data: param bytes follow and are never text.
        const qsizetype len = hasParam ? std::max(0, param) : 0;
        pos_ += std::min(len, data_.size() - pos_);
        return;
    }
    default:
        break;
    }
    if (star) {
        g.dest = Dest::Skip;
        return;
    }

    switch (k) {
    case Kw::Rtf:
        return;
    case Kw::Ansi: docCodePage_ = 1252; return;
    case Kw::Mac: docCodePage_ = 10000; return;
    case Kw::Pc: docCodePage_ = 437; return;
    case Kw::Pca: docCodePage_ = 850; return;
    case Kw::AnsiCpg:
        if (hasParam && tableFor(param))
            docCodePage_ = param;
        return;
    case Kw::Deff:
        if (hasParam && param >= 0)
            defaultFont_ = param;
        return;
    case Kw::Font:
        if (g.dest == Dest::FontTable) {
            if (!entryName_.trimmed().isEmpty())
                commitFontEntry();
            entryFont_ = hasParam ? param : -1;
            entryName_.clear();
            entryCodePage_ = 0;
        } else if (hasParam && param >= 0) {
            g.chr.font = param;
        }
        return;
    case Kw::FCharset:
        if (g.dest == Dest::FontTable && hasParam && entryCodePage_ == 0)
            entryCodePage_ = codePageOfCharset(param);
        return;
    case Kw::Cpg:
        if (g.dest == Dest::FontTable && hasParam && tableFor(param))
            entryCodePage_ = param;
        return;
    case Kw::Red: red_ = std::clamp(param, 0, 255); colourSet_ = true; return;
    case Kw::Green: green_ = std::clamp(param, 0, 255); colourSet_ = true; return;
    case Kw::Blue: blue_ = std::clamp(param, 0, 255); colourSet_ = true; return;
    case Kw::Uc: g.uc = hasParam ? std::clamp(param, 0, 16) : 1; return;
    case Kw::U:
        // Also in the font table, where names may hold Unicode characters.
        if (hasParam) {
            unicodeChar(param);
            pendingSkip_ = g.uc;
        }
        return;
    default:
        break;
    }

    // Everything below acts on text only.
    if (g.dest != Dest::Text)
        return;

    switch (k) {
    case Kw::Plain: g.chr = CharFmt{}; return;
    case Kw::Bold: g.chr.bold = p1 != 0; return;
    case Kw::Italic: g.chr.italic = p1 != 0; return;
    case Kw::Underline: g.chr.underline = p1 != 0; return;
    case Kw::UnderlineNone: g.chr.underline = false; return;
    case Kw::Strike: g.chr.strike = p1 != 0; return;
    case Kw::Hidden: g.chr.hidden = p1 != 0; return;
    case Kw::Super: g.chr.vAlign = (hasParam && param == 0) ? 0 : 1; return;
    case Kw::Sub: g.chr.vAlign = (hasParam && param == 0) ? 0 : 2; return;
    case Kw::NoSuperSub: g.chr.vAlign = 0; return;
    case Kw::FontSize: g.chr.halfPoints = hasParam ? std::clamp(param, 1, 3276) : 24; return;
    case Kw::Colour: g.chr.colour = hasParam ? std::clamp(param, 0, Rtf::kMaxTableEntries) : 0; return;
    case Kw::Highlight:
        g.chr.highlight = hasParam ? std::clamp(param, 0, Rtf::kMaxTableEntries) : 0;
        return;
    case Kw::Pard: g.para = ParaFmt{}; return;
    case Kw::Par:
    case Kw::Row:
        endParagraph();
        return;
    case Kw::Line: textChar(0x2028); return;
    case Kw::Tab:
    case Kw::Cell: textChar(u'\t'); return;
    case Kw::AlignLeft: g.para.align = 0; return;
    case Kw::AlignCentre: g.para.align = 1; return;
    case Kw::AlignRight: g.para.align = 2; return;
    case Kw::AlignJustify: g.para.align = 3; return;
    case Kw::SpaceBefore: g.para.spaceBefore = std::clamp(param, 0, 31680); return;
    case Kw::SpaceAfter: g.para.spaceAfter = std::clamp(param, 0, 31680); return;
    case Kw::LeftIndent: g.para.leftIndent = std::clamp(param, -31680, 31680); return;
    case Kw::RightIndent: g.para.rightIndent = std::clamp(param, -31680, 31680); return;
    case Kw::FirstIndent: g.para.firstIndent = std::clamp(param, -31680, 31680); return;
    case Kw::LineSpacing: g.para.lineSpacing = hasParam ? std::clamp(param, -31680, 31680) : 0; return;
    case Kw::LineMultiple: g.para.lineMultiple = p1 != 0; return;
    case Kw::EmDash: textChar(0x2014); return;
    case Kw::EnDash: textChar(0x2013); return;
    case Kw::Bullet: textChar(0x2022); return;
    case Kw::LQuote: textChar(0x2018); return;
    case Kw::RQuote: textChar(0x2019); return;
    case Kw::LDblQuote: textChar(0x201C); return;
    case Kw::RDblQuote: textChar(0x201D); return;
    case Kw::EmSpace: textChar(0x2003); return;
    case Kw::EnSpace: textChar(0x2002); return;
    case Kw::Zwj: textChar(0x200D); return;
    case Kw::Zwnj: textChar(0x200C); return;
    default:
        return;
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void Reader::readControl()
{
    const qsizetype n = data_.size();
    const char *d = data_.constData();
    ++pos_; // the backslash
    if (pos_ >= n)
        return;
    const char c = d[pos_];

    if (isLetter(c)) {
        const qsizetype start = pos_;
        while (pos_ < n && isLetter(d[pos_]))
            ++pos_;
        // Words are at most 32 letters; a longer one is unknown anyway.
        const std::string_view word(d + start, size_t(std::min<qsizetype>(pos_ - start, 32)));
        bool hasParam = false;
        bool negative = false;
        std::int64_t value = 0;
        if (pos_ < n && d[pos_] == '-' && pos_ + 1 < n && isDigit(d[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < n && isDigit(d[pos_])) {
            hasParam = true;
            if (value < 10000000000LL)
                value = value * 10 + (d[pos_] - '0');
            ++pos_;
        }
        if (pos_ < n && d[pos_] == ' ')
            ++pos_;
        if (negative)
            value = -value;
        value = std::clamp<std::int64_t>(value, -2147483647LL, 2147483647LL);

        if (pendingSkip_ > 0 && word != "bin") {
            --pendingSkip_;
            return;
        }
        pendingSkip_ = 0;
        handleWord(word, hasParam, int(value));
        return;
    }

    ++pos_; // the control symbol
    if (c == '\'') {
        int v = 0;
        int digits = 0;
        while (digits < 2 && pos_ < n && hexValue(d[pos_]) >= 0) {
            v = v * 16 + hexValue(d[pos_]);
            ++pos_;
            ++digits;
        }
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (digits > 0)
            textByte(static_cast<unsigned char>(v));
        return;
    }
    if (pendingSkip_ > 0) {
        --pendingSkip_;
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textChar(char16_t(static_cast<unsigned char>(c)));
        return;
    case '~':
        textChar(0x00A0);
        return;
    case '-':
        textChar(0x00AD);
        return;
    case '_':
        textChar(0x2011);
        return;
    case '*':
        top().star = true;
        return;
    case '\r':
    case '\n':
        handleWord("par", false, 0);
        return;
    case '\t':
        textChar(u'\t');
        return;
    default:
        return; // \: \| and anything unknown
    }
}

QString Reader::run()
{
    const qsizetype n = data_.size();
    const char *d = data_.constData();

    // Skip what stands before the document's group (blanks, a BOM).
    while (pos_ < n && d[pos_] != '{')
        ++pos_;

    stack_.reserve(64);
    stack_.push_back(GroupState{}); // outside the document
    html_ = QStringLiteral("<html><body>");

    while (pos_ < n && !finished_ && !outputFull()) {
        const char c = d[pos_];
        switch (c) {
        case '{':
            ++pos_;
            openGroup();
            break;
        case '}':
            ++pos_;
            closeGroup();
            break;
        case '\\':
            readControl();
            break;
        case '\r':
        case '\n':
            ++pos_;
            break;
        default:
            ++pos_;
            if (stack_.size() <= 1)
                break; // nothing outside the document's group
            if (pendingSkip_ > 0) {
                --pendingSkip_;
                break;
            }
            if (top().dest == Dest::Text && c >= 0x20 && c < 0x7F && !pendingHigh_) {
                appendToParagraph(QLatin1Char(c)); // plain ASCII text
                break;
            }
            textByte(static_cast<unsigned char>(c));
            break;
        }
    }
    // A document without a final \par (or a truncated one) still shows its
    // last paragraph.
    if (!runs_.empty()) {
        if (stack_.size() <= 1)
            stack_.push_back(GroupState{});
        endParagraph();
    }
    html_ += QLatin1String("</body></html>");
    return html_;
}

} // namespace

namespace Rtf {

bool looksLikeRtf(const QByteArray &data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.mid(i, 5) == "{\\rtf";
}

QString plainTextToHtml(const QByteArray &data)
{
    QString text;
    {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8.decode(data);
        if (utf8.hasError()) {
            text.clear();
            text.reserve(data.size());
            for (const char c : data) {
                const QChar q = decodeByte(static_cast<unsigned char>(c), kCp1252);
                if (q.unicode() != 0)
                    text += q;
            }
        }
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QString html = QStringLiteral("<html><body>");
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype li = 0; li < lines.size(); ++li) {
        if (li == lines.size() - 1 && lines[li].isEmpty())
            break; // the final line break ends the last line
        QString clean;
        for (const QChar c : lines[li]) {
            if (c == QLatin1Char('\t') || (c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() < 0xA0)))
                clean += c;
        }
        if (clean.isEmpty()) {
            html += QLatin1String("<p style=\"-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; white-space:pre-wrap;\"><br /></p>");
        } else {
            html += QLatin1String("<p style=\"margin-top:0px; margin-bottom:0px; white-space:pre-wrap;\">");
            appendEscaped(html, clean);
            html += QLatin1String("</p>");
        }
        if (html.size() >= kMaxOutput)
            break;
    }
    html += QLatin1String("</body></html>");
    return html;
}

QString toHtml(const QByteArray &data)
{
    if (data.isEmpty())
        return QString();
    if (!looksLikeRtf(data))
        return plainTextToHtml(data);
    Reader reader(data);
    return reader.run();
}

} // namespace Rtf
