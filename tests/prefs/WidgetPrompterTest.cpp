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
QString chooseWith(const std::function<void(QFileDialog &)> &act)
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
    const QStringList suffixes{u"pext"_qs, u"sh"_qs, QString(), u"py"_qs};
    return WidgetPrompter().chooseFile(nullptr, u"Add Extension"_qs, suffixes);
}

// Opening it: selected, then the Open button.
std::function<void(QFileDialog &)> openPath(const QString &path)
{
    return [path](QFileDialog &dialog) {
        dialog.selectFile(path);
        QMetaObject::invokeMethod(&dialog, "accept");
    };
}

TEST(WidgetPrompterTest, OpeningABundleFolderChoosesItAndAnyOtherFolderOnlyShowsItsContents)
{
    QTemporaryDir folder;
    const QString bundle = folder.filePath(u"Format.pext"_qs);
    const QString plain = folder.filePath(u"plain-folder"_qs);
    ASSERT_TRUE(QDir().mkpath(bundle) && QDir().mkpath(plain));
    EXPECT_EQ(chooseWith(openPath(bundle)), bundle);
    EXPECT_EQ(chooseWith([&](QFileDialog &dialog) { Q_EMIT dialog.directoryEntered(bundle); }), bundle)
        << "a double click enters it";

    const QString chosen = chooseWith([&](QFileDialog &dialog) {
        openPath(plain)(dialog);
        // Still open, now in that folder: the person goes on choosing, and cancels.
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QDir(dialog.directory()).absolutePath(), QDir(plain).absolutePath());
        dialog.reject();
    });
    EXPECT_EQ(chosen, QString());
}

} // namespace
} // namespace tavolin
