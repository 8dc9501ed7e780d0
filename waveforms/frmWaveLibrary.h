#pragma once
// The disk waveform library: the ".abw" files of a folder as thumbnails, in
// groups of twelve, downloaded to the source a group or all at once.
#include "waveforms/AbwFile.h"

#include <QHash>
#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QTabBar;
class QTreeView;
class QFileSystemModel;

namespace ostrel {

struct Program;
class GraphView;

class frmWaveLibrary : public QWidget {
    Q_OBJECT
public:
    explicit frmWaveLibrary(Program& program, QWidget* parent = nullptr);

    // Opens the arbitrary waveform editor on the buffer (set by the main window).
    void setOpenEditor(std::function<void()> open) { openEditor_ = std::move(open); }

    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    QStringList files() const { return files_; }
    int group() const;
    void showGroup(int group);
    // How many files have been read for thumbnails so far.
    int filesRead() const { return int(read_.size()); }
    QString status() const;

    // The thumbnail popup's two entries, for thumbnail n (0..11) of the group shown.
    void openInEditor(int n);
    void downloadOne(int n);
    void downloadGroup();
    void downloadAll();
    void stop() { stopRequested_ = true; }
    bool downloading() const { return downloading_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void drawThumbnail(int n);
    void popup(int n, QPoint pixel);
    void runBatch(const QStringList& files);
    void deleteAll();
    QString fileOf(int n) const;
    void setDownloading(bool on);

    Program& program_;
    QString folder_;
    QStringList files_;
    QHash<QString, std::optional<WaveformSamples>> read_;
    std::function<void()> openEditor_;
    bool downloading_ = false;
    bool stopRequested_ = false;
    bool closeRequested_ = false;

    QComboBox* drvDriveLetter_ = nullptr;
    QTreeView* drvDirectory_ = nullptr;
    QFileSystemModel* folders_ = nullptr;
    QTabBar* tbsWaveforms_ = nullptr;
    QList<GraphView*> thumbnails_;
    QList<QPushButton*> commands_;
    QPushButton* cmdStop_ = nullptr;
    QLabel* StatusBar1_ = nullptr;
};

// The library folder of the settings, created and filled with the shipped
// examples when it does not exist yet.
QString PrepareLibraryFolder(Program& program);

} // namespace ostrel
