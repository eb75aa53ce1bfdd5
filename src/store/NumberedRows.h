// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Moving and finding among rows numbered 0 .. size - 1, shared by the keyed
// rows and the snapshot on top of what each is besides (Base).

#include "store/RecordsetImpl.h"

#include <algorithm>

namespace store {

template <class Base>
class NumberedRows : public Base
{
public:
    using Base::Base;

    bool eof() const override { return !this->onDeleted && (pos_ >= size() || size() == 0); }
    bool bof() const override { return !this->onDeleted && (pos_ < 0 || size() == 0); }
    void moveFirst() override { placeAt(size() == 0 ? size() : 0); }
    void moveLast() override { placeAt(size() == 0 ? size() : size() - 1); }
    // After a delete the next row has already moved into the current place.
    void moveNext() override { placeAt(this->onDeleted ? pos_ : pos_ + 1); }
    void movePrevious() override { placeAt(pos_ - 1); }
    int recordCount() const override { return int(size()); }
    qint64 rowCount() const override { return size(); }

    void find(const QString &criteria, Find which) override
    {
        qint64 row = -1;
        switch (which) {
        case Find::First:
            row = findRow(criteria, 0, 1);
            break;
        case Find::Next:
            row = findRow(criteria, this->onDeleted ? pos_ : pos_ + 1, 1);
            break;
        case Find::Previous:
            row = findRow(criteria, std::min(pos_ - 1, size() - 1), -1);
            break;
        case Find::Last:
            row = findRow(criteria, size() - 1, -1);
            break;
        }
        this->noMatch = row < 0;
        if (row >= 0)
            placeAt(row);
    }

protected:
    virtual qint64 size() const = 0;
    // The first row from `from` on, in direction `step` (1 or -1), that
    // meets the criteria; -1 when none does.
    virtual qint64 findRow(const QString &criteria, qint64 from, int step) = 0;

    void placeAt(qint64 i)
    {
        pos_ = std::clamp<qint64>(i, -1, size());
        this->onDeleted = false;
    }

    // Standing on a row that is still there.
    bool onRow() const { return !this->onDeleted && pos_ >= 0 && pos_ < size(); }

    // -1 before the first row, size() after the last. After the current row
    // was deleted, onDeleted is set and pos_ is where the row was, so the
    // next row has moved into its place.
    qint64 pos_ = -1;
};

} // namespace store
