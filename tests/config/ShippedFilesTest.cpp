// The shipped folder is read-only, as it is under /usr/share/ostrel: a
// shipped example opened in a window and saved with Save is written as the
// per-user copy, which is found first the next time, and the shipped file
// stays as it was.
#include "support/ProgramFixture.h"

#include "automation/frmMacro.h"
#include "automation/frmModulation.h"
#include "automation/frmSequencer.h"
#include "config/SaveTarget.h"
#include "iec/frmIEC411Test.h"
#include "panel/SetupActions.h"
#include "transients/frmTrans.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace ostrel;
using namespace ostrel::test;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Shipped files copied into a read-only shipped folder of their own.
class ShippedFiles : public ::testing::Test, public ProgramFixture {
protected:
    void TearDown() override { unlock(); }
    QString shippedRoot() const { return tempPath(QStringLiteral("shipped")); }
    QString ship(const QString& relative) {
        unlock();
        const QString source = QStringLiteral(OSTREL_SOURCE_DATA_DIR "/") + relative;
        const QString target = shippedRoot() + QLatin1Char('/') + relative;
        EXPECT_TRUE(QDir().mkpath(QFileInfo(target).absolutePath()));
        EXPECT_TRUE(QFile::copy(source, target)) << qPrintable(source);
        program().paths.dataDir = shippedRoot();
        QDir().mkpath(program().paths.userDir);
        setPermissions(QFile::ReadOwner, QFile::ReadOwner | QFile::ExeOwner);
        return target;
    }

private:
    void unlock() {
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        setPermissions(QFile::ReadOwner | QFile::WriteOwner, all);
    }
    void setPermissions(QFile::Permissions file, QFile::Permissions folder) {
        QDirIterator it(shippedRoot(), QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        QStringList folders{shippedRoot()};
        while (it.hasNext()) {
            const QString path = it.next();
            if (QFileInfo(path).isDir())
                folders << path;
            else
                QFile::setPermissions(path, file);
        }
        for (const QString& f : folders) QFile::setPermissions(f, folder);
    }
};

struct WindowCase {
    const char* name;
    const char* shipped; // relative to the shipped folder
    std::function<std::unique_ptr<QWidget>(Program&)> make;
};

template <class W> std::unique_ptr<QWidget> make(Program& p) { return std::make_unique<W>(p); }

const WindowCase kWindows[] = {
    {"transient list", "transients/dc-28V-step-and-dropout.tls", make<frmTrans>},
    {"macro", "examples/every-directive-macro.txt", make<frmMacro>},
    {"sequencer", "examples/three-phase-400Hz-limits.seq", make<frmSequencer>},
    {"modulation", "examples/modulation-frequency-400Hz.mod", make<frmModulation>},
    {"IEC test", "Seq_Test/IEC61000-4-11_Class3_50Hz.411", make<frmIEC411Test>},
};

} // namespace

TEST_F(ShippedFiles, SaveOfAnOpenedShippedFileWritesThePerUserCopy) {
    for (const WindowCase& c : kWindows) {
        SCOPED_TRACE(c.name);
        const QString shipped = ship(QString::fromLatin1(c.shipped));
        const QByteArray before = contents(shipped);
        const QString copy = program().paths.userFile(QString::fromLatin1(c.shipped));
        std::unique_ptr<QWidget> window = c.make(program());
        prompt().clear();
        prompt().chooseFile(shipped);
        window->findChild<QAction*>(QStringLiteral("mnuFOpen"))->trigger();
        window->findChild<QAction*>(QStringLiteral("mnuFSave"))->trigger();
        EXPECT_TRUE(prompt().messages().isEmpty()) << qPrintable(prompt().messages().join(u'\n'));
        EXPECT_TRUE(QFileInfo(copy).isFile()) << qPrintable(copy);
        EXPECT_EQ(contents(shipped), before);
        // The next Save goes on writing the copy, never the shipped file.
        window->findChild<QAction*>(QStringLiteral("mnuFSave"))->trigger();
        EXPECT_EQ(contents(shipped), before);
    }
}

TEST_F(ShippedFiles, SetupSavedOverAShippedSetupWritesThePerUserCopy) {
    const QString shipped = ship(QStringLiteral("examples/single-phase-115V-400Hz.stp"));
    const QByteArray before = contents(shipped);
    program().outputState.Phase[0].CurrentLimit = 5;
    QString current = shipped;
    ASSERT_TRUE(SaveSetup(program(), current, false)) << qPrintable(prompt().messages().join(u'\n'));
    EXPECT_EQ(current, program().paths.userFile(QStringLiteral("examples/single-phase-115V-400Hz.stp")));
    EXPECT_TRUE(QFileInfo(current).isFile());
    EXPECT_EQ(contents(shipped), before);
}

TEST_F(ShippedFiles, FilesOutsideTheShippedFolderSaveInPlace) {
    ship(QStringLiteral("examples/dc-28V.stp"));
    const QString own = tempPath(QStringLiteral("elsewhere/dc.stp"));
    EXPECT_EQ(SaveTargetPath(program().paths, own), own);
    // A name that only starts like the shipped folder is not inside it.
    const QString sibling = shippedRoot() + QStringLiteral("-mine/dc.stp");
    EXPECT_EQ(SaveTargetPath(program().paths, sibling), sibling);
}
