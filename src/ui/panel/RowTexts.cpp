#include "ui/panel/RowTexts.h"

#include "palette/MenuItemData.h"
#include "palette/OptionDataProvider.h"
#include "ui/panel/ItemView.h"

#include <QCoreApplication>

namespace tavolin {
namespace {

constexpr auto kContext = "tavolin::RowTexts";

// Group names arrive as the files layer's and the options' untranslated keys.
constexpr const char *kGroups[] = {
    QT_TRANSLATE_NOOP("tavolin::RowTexts", "Recent"),
    QT_TRANSLATE_NOOP("tavolin::RowTexts", "Opened"),
    QT_TRANSLATE_NOOP("tavolin::RowTexts", "File Results"),
    QT_TRANSLATE_NOOP("tavolin::RowTexts", "Update Avaiable"),
};

QString translated(const char *text) { return QCoreApplication::translate(kContext, text); }

QString commandDetails(const MenuItemData &item)
{
    QStringList parts;
    if (item.hintLabel() && !item.hintLabel()->isEmpty())
        parts << *item.hintLabel();
    else if (!item.path().isEmpty())
        parts << QCoreApplication::translate("tavolin::RowTexts", "menu %1").arg(item.path().join(QStringLiteral(" > ")));
    if (item.expands())
        parts << QCoreApplication::translate("tavolin::RowTexts", "submenu");
    else if (item.shortcut())
        parts << QCoreApplication::translate("tavolin::RowTexts", "shortcut %1").arg(item.shortcut()->displayText());
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString shownGroup(const QString &group)
{
    for (const char *known : kGroups) {
        if (group == QLatin1String(known))
            return translated(known);
    }
    return group;
}

QString accessibleRowDescription(const RowData &row, bool fromHistory)
{
    QString group;
    QString details;
    if (const std::optional<FileRowFields> file = readFileRow(row)) {
        group = shownGroup(file->group);
        details = abbreviatedFolder(file->filePath);
    } else if (const auto *item = dynamic_cast<const MenuItemData *>(&row)) {
        group = fromHistory ? shownGroup(QStringLiteral("Recent")) : QString();
        details = commandDetails(*item);
    }
    details.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return group.isEmpty() ? details : group + QLatin1Char('\n') + details;
}

} // namespace tavolin
