// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Guard.h"

#include "store/Engine.h"

namespace Msg {

QString describe(const std::exception &e)
{
    if (const auto *storeError = dynamic_cast<const store::Error *>(&e))
        return storeError->description();
    return QString::fromLocal8Bit(e.what());
}

void reportFailure(const std::exception &e, const QString &title, QWidget *parent)
{
    critical(describe(e), title, parent);
}

} // namespace Msg
