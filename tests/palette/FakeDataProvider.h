#pragma once

#include "palette/DataProvider.h"

#include <QList>

namespace tavolin::test {

// A provider that shows a fixed list of rows and records searches.
class FakeDataProvider final : public DataProvider
{
public:
    QList<RowDataPtr> rows;
    RowDataPtr parent;
    QStringList searches;

    std::optional<QString> appIcon() override { return std::nullopt; }
    RowDataPtr filteredParent() override { return parent; }
    QString inputHint() override { return QStringLiteral("Fake"); }
    RowDataPtr dataOnRow(qsizetype index) override
    {
        return index >= 0 && index < rows.size() ? rows.at(index) : nullptr;
    }
    qsizetype numberOfRows() override { return rows.size(); }
    std::optional<qsizetype> firstSelectedItem() override { return rows.isEmpty() ? std::nullopt : std::optional<qsizetype>(0); }
    RowDataPtr findMenuMatch(const QString &) override { return nullptr; }
    RowDataPtr itemForShortcut(const QString &) override { return nullptr; }
    bool search(const QString &text, ResultTable *, bool) override
    {
        searches.append(text);
        return true;
    }
    void filter(const RowDataPtr &row) override { parent = row; }
    void unfilter() override { parent.reset(); }
    void clearfilter() override { parent.reset(); }
    void resetStatus() override {}
    bool isFirstInGroup(qsizetype) override { return false; }
};

} // namespace tavolin::test
