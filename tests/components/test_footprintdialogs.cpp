// The footprint folders dialog, on the offscreen platform.

#include "testsupport.h"

#include "components/footprintfoldersdialog.h"
#include "components/footprintmanager.h"
#include "foundation/appsettings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

using TestSupport::buttonLabelled;

// Answers the directory chooser that the next click opens: with a folder, or cancels when
// the folder is empty. Gives up (cancelling) if no chooser shows, so a test cannot hang.
void answerNextDirectoryChooser(const QString& folder)
{
    // Each pending timer owns the poll; the poll refers to itself weakly, so nothing is left
    // behind once it stops.
    auto attempts = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = poll;
    *poll = [folder, attempts, self]() {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!chooser) {
            if (++*attempts < 200)
                QTimer::singleShot(10, [again = self.lock()] { (*again)(); });
            return;
        }
        if (folder.isEmpty()) {
            chooser->reject();
            return;
        }
        chooser->setDirectory(folder);
        QMetaObject::invokeMethod(chooser, "accept");
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

class FoldersDialog : public ::testing::Test
{
protected:
    TestSupport::IsolatedSettings m_settings;
    QTemporaryDir m_root;
    QString folder(const QString& name) const
    {
        const QString path = QDir(m_root.path()).filePath(name);
        QDir().mkpath(path);
        return path;
    }
};

TEST_F(FoldersDialog, ListsFoldersAndRemovesTheSelectedRows)
{
    const QStringList start{QStringLiteral("/one"), QStringLiteral("/two"), QStringLiteral("/three")};
    FootprintFoldersDialog dialog(start);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Footprint folders"));
    EXPECT_EQ(dialog.folders(), start);

    QPushButton* remove = buttonLabelled(&dialog, QStringLiteral("Remove"));
    ASSERT_NE(remove, nullptr);
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_TRUE(buttonLabelled(&dialog, QStringLiteral("Add..."))->isEnabled());

    auto* list = dialog.findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    EXPECT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_EQ(dialog.folders(), QStringList{QStringLiteral("/two")});
    EXPECT_FALSE(remove->isEnabled());
}

TEST_F(FoldersDialog, AddAppendsNewFoldersAndSelectsAnExistingOne)
{
    const QString upper = folder(QStringLiteral("Lib"));
    const QString lower = folder(QStringLiteral("lib"));
    FootprintFoldersDialog dialog({upper, QStringLiteral("/elsewhere")});
    auto* list = dialog.findChild<QListWidget*>();
    QPushButton* add = buttonLabelled(&dialog, QStringLiteral("Add..."));
    ASSERT_NE(add, nullptr);

    answerNextDirectoryChooser(upper);
    add->click();
    EXPECT_EQ(dialog.folders().size(), 2);
    EXPECT_EQ(list->currentRow(), 0);

    answerNextDirectoryChooser(lower);
    add->click();
    EXPECT_EQ(dialog.folders(), (QStringList{upper, QStringLiteral("/elsewhere"), lower}));
    EXPECT_EQ(list->currentRow(), 2);
    // The chooser remembers where the user went.
    EXPECT_EQ(AppSettings::lastDirectory(AppSettings::DirectoryKind::Footprints), lower);

    answerNextDirectoryChooser(QString());
    add->click();
    EXPECT_EQ(dialog.folders().size(), 3);
}

TEST_F(FoldersDialog, AcceptingReplacesTheLibraryFoldersAndStoresThem)
{
    const QString a = folder(QStringLiteral("a"));
    const QString b = folder(QStringLiteral("b"));
    const QString gone = QDir(m_root.path()).filePath(QStringLiteral("gone"));
    FootprintManager library;
    library.addSearchPath(b);
    FootprintData embedded;
    embedded.name = QStringLiteral("FromProject");
    library.registerEmbeddedFootprint(embedded);

    EXPECT_EQ(FootprintFoldersDialog::applyFolders(library, {a, gone, a, b}), 2);
    EXPECT_EQ(library.searchPaths(), (QStringList{a, b}));
    EXPECT_EQ(AppSettings::footprintDirs(), (QStringList{a, b}));
    // The cache goes with the folders; the window registers again what its components use.
    EXPECT_FALSE(library.hasFootprint(QStringLiteral("FromProject")));

    EXPECT_EQ(FootprintFoldersDialog::applyFolders(library, {}), 0);
    EXPECT_TRUE(library.searchPaths().isEmpty());
    EXPECT_TRUE(AppSettings::footprintDirs().isEmpty());
}

} // namespace
