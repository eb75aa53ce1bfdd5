// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The single-byte code pages the RTF reader knows, each as the Unicode
// characters of its upper half (bytes 0x80..0xFF; 0 marks a byte the code
// page leaves undefined).
namespace Rtf {

// The upper half of a code page by its number; nullptr for one not known.
const char16_t *codePageTable(int codePage);
// Western European (1252): what a byte is read as when nothing else is known.
const char16_t *westernTable();
// The code page of a font's character set (\fcharset); 0 for "the
// document's".
int codePageOfCharset(int charset);

} // namespace Rtf
