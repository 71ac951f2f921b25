// The real file chooser of the preferences program: an extension bundle is a folder, and opening it in the
// chooser must choose it rather than show its contents.
#include "prefs/WidgetPrompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace tavolin {
namespace {

// Runs chooseFile() and, once its dialog is up, does `act` on it. A dialog left open is cancelled after a
// while, so a chooser that does not close fails the test instead of hanging it.
QString chooseWith(const QStringList &suffixes, const std::function<void(QFileDialog &)> &act)
{
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no file dialog is open";
            return;
        }
        QTimer::singleShot(5000, dialog, &QDialog::reject);
        act(*dialog);
    });
    return WidgetPrompter().chooseFile(nullptr, QStringLiteral("Add Extension"), suffixes);
}

class WidgetPrompterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("Format.pext")));
        ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("plain-folder")));
    }

    QTemporaryDir folder;
    const QStringList suffixes{QStringLiteral("pext"), QStringLiteral("sh"), QString(), QStringLiteral("py")};
};

TEST_F(WidgetPrompterTest, OpeningABundleFolderChoosesIt)
{
    const QString bundle = folder.filePath(QStringLiteral("Format.pext"));
    // Selected, then the Open button.
    EXPECT_EQ(chooseWith(suffixes, [&](QFileDialog &dialog) {
                  dialog.selectFile(bundle);
                  QMetaObject::invokeMethod(&dialog, "accept");
              }),
              bundle);
    // A double click enters it.
    EXPECT_EQ(chooseWith(suffixes, [&](QFileDialog &dialog) { Q_EMIT dialog.directoryEntered(bundle); }), bundle);
}

TEST_F(WidgetPrompterTest, OpeningAnyOtherFolderOnlyShowsItsContents)
{
    const QString plain = folder.filePath(QStringLiteral("plain-folder"));
    const QString chosen = chooseWith(suffixes, [&](QFileDialog &dialog) {
        dialog.selectFile(plain);
        QMetaObject::invokeMethod(&dialog, "accept");
        // Still open, now in that folder: the person goes on choosing, and cancels.
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QDir(dialog.directory()).absolutePath(), QDir(plain).absolutePath());
        dialog.reject();
    });
    EXPECT_EQ(chosen, QString());
}

} // namespace
} // namespace tavolin
