// An application's command history from the history database. A value that reads is written back to a
// value that reads to the same entries.
#include "FuzzSupport.h"

#include "palette/MenuHistory.h"

#include <QJsonDocument>

using namespace tavolin;

namespace {

bool sameEntries(const AppMenuHistoryItems &a, const AppMenuHistoryItems &b)
{
    if (a.recents().size() != b.recents().size())
        return false;
    for (qsizetype i = 0; i < a.recents().size(); ++i) {
        const MenuHistoryItem &x = *a.recents().at(i);
        const MenuHistoryItem &y = *b.recents().at(i);
        if (x.title() != y.title() || x.path() != y.path() || x.key() != y.key() || x.isChecked() != y.isChecked())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUpApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = QStringLiteral("Mousepad");

    const std::shared_ptr<AppMenuHistoryItems> read = AppMenuHistoryItems::from(name, QString::fromUtf8(bytes));
    fuzz::require(read && read->recents().size() <= AppMenuHistoryItems::kLimit, "at most kLimit entries");
    const QString stored = read->toString();
    const std::shared_ptr<AppMenuHistoryItems> again = AppMenuHistoryItems::from(name, stored);
    fuzz::require(again && sameEntries(*read, *again), "a history read back from its own value is the same",
                  stored);
    fuzz::require(again->toString() == stored, "writing a history again gives the same value", stored);

    if (const std::optional<MenuHistoryItem> item = MenuHistoryItem::fromJson(bytes)) {
        const QByteArray json = QJsonDocument(item->toJson()).toJson(QJsonDocument::Compact);
        const std::optional<MenuHistoryItem> back = MenuHistoryItem::fromJson(json);
        fuzz::require(back && back->title() == item->title() && back->path() == item->path()
                          && back->key() == item->key() && back->isChecked() == item->isChecked(),
                      "an entry read back from its own JSON is the same", QString::fromUtf8(json));
    }
    return 0;
}
