// The rows file of tavolin-menu (--rows FILE), which people write by hand or keep from `list`.
// Input: a search text, NUL, the file's bytes. Each row read is written as its `list` line, and that line
// reads back to a row with the same line.
#include "FuzzSupport.h"

#include "palette/SearchUtils.h"
#include "tools/MenuRows.h"

using namespace tavolin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUpApplication();
    const QList<QByteArray> parts = fuzz::splitInput(data, size, 2);
    const QString query = QString::fromUtf8(parts.at(0));
    const QByteArray &file = parts.at(1);

    const menutool::RowsFile built = menutool::parseRows(file);
    QString lines;
    for (const MenuItemDataPtr &row : built.rows)
        lines += menutool::rowLine(*row) + QLatin1Char('\n');
    const menutool::RowsFile again = menutool::parseRows(lines.toUtf8());
    QString linesAgain;
    for (const MenuItemDataPtr &row : again.rows)
        linesAgain += menutool::rowLine(*row) + QLatin1Char('\n');
    fuzz::require(linesAgain == lines, "the lines `list` writes read back to the same rows", lines);

    SearchUtils search;
    const RowPrefilter filter(search, query);
    (void)menutool::parseRows(file, &filter, menutool::RowsForm::Built);
    (void)menutool::parseRows(file, &filter, menutool::RowsForm::Plain);
    return 0;
}
