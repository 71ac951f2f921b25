#include "PaneLayout.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tavolin::panelayout {

QHBoxLayout *addRemoveRow(QToolButton *add, const QString &addName, QToolButton *remove, const QString &removeName)
{
    add->setText(QStringLiteral("+"));
    add->setAccessibleName(addName);
    add->setToolTip(addName);
    remove->setText(QStringLiteral("−"));
    remove->setAccessibleName(removeName);
    remove->setToolTip(removeName);
    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch();
    return row;
}

QVBoxLayout *listPane(QWidget *pane, const QString &heading, QWidget *list, QLayout *buttons)
{
    auto *layout = new QVBoxLayout(pane);
    layout->addWidget(new QLabel(heading, pane));
    layout->addWidget(list, 1);
    layout->addLayout(buttons);
    return layout;
}

void formDialog(QDialog *dialog, const QString &heading, QFormLayout *form, const QString &acceptText)
{
    dialog->setWindowTitle(heading);
    auto *buttons = new QDialogButtonBox(dialog);
    buttons->addButton(acceptText, QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(heading, dialog));
    layout->addLayout(form);
    layout->addWidget(buttons);
}

} // namespace tavolin::panelayout
