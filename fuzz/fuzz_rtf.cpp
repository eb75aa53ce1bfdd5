// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the RTF reader of the help viewer (Rtf::toHtml).
// Any input must convert without a crash, a hang, a leak or undefined
// behaviour; see README.md for building and running it.
#include "text/RtfToHtml.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    const QString html = Rtf::toHtml(input);
    // The output is always a whole document or nothing.
    if (!html.isEmpty() && !html.endsWith(QLatin1String("</body></html>")))
        __builtin_trap();
    // The same bytes behind a forced RTF header exercise the reader even
    // when the fuzzer has not found "{\rtf" itself.
    QByteArray forced("{\\rtf1\\ansi ");
    forced.append(input);
    (void)Rtf::toHtml(forced);
    return 0;
}
