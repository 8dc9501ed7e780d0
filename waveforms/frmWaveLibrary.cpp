#include "waveforms/frmWaveLibrary.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "link/WaveformTransfer.h"
#include "measure/GraphView.h"
#include "waveforms/LibraryBatch.h"
#include "waveforms/WaveformBuffer.h"
#include "waveforms/WaveformGraphs.h"
#include "waveforms/WaveformName.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <vector>

namespace ostrel {

namespace {

const QString kHint = QStringLiteral("Left Mouse button zooms, right click for popup menu...");

QString reportOf(const BatchReport& report) {
    QStringList lines;
    for (const BatchItem& item : report.failed)
        lines << QFileInfo(item.file).fileName() + QStringLiteral(" (") + item.name +
                     QStringLiteral("): ") +
                     QString(item.reason).replace(QStringLiteral("\r\n"), QStringLiteral("; "));
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

QString PrepareLibraryFolder(Program& program) {
    QString& folder = program.settings.waveformLibrary;
    if (folder.isEmpty()) folder = program.paths.userFile(QStringLiteral("waveforms"));
    if (QDir(folder).exists()) return folder;
    if (!QDir().mkpath(folder)) return folder;
    const QDir shipped(program.paths.shippedFile(QStringLiteral("waveforms")));
    for (const QString& name : shipped.entryList({QStringLiteral("*.abw")}, QDir::Files))
        QFile::copy(shipped.filePath(name), QDir(folder).filePath(name));
    return folder;
}

frmWaveLibrary::frmWaveLibrary(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Window), program_(program) {
    setObjectName(QStringLiteral("frmWaveLibrary"));
    build();
    setFolder(PrepareLibraryFolder(program_));
    resize(1100, 720);
}

void frmWaveLibrary::build() {
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    drvDriveLetter_ = Named(new QComboBox(this), QStringLiteral("drvDriveLetter"));
    for (const QFileInfo& drive : QDir::drives())
        drvDriveLetter_->addItem(drive.absolutePath());
    left->addWidget(drvDriveLetter_);
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setRootPath(drvDriveLetter_->currentText());
    drvDirectory_ = Named(new QTreeView(this), QStringLiteral("drvDirectory"));
    drvDirectory_->setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c)
        drvDirectory_->hideColumn(c);
    drvDirectory_->header()->hide();
    drvDirectory_->setMinimumWidth(220);
    left->addWidget(drvDirectory_, 1);
    connect(drvDriveLetter_, &QComboBox::currentTextChanged, this, [this](const QString& drive) {
        drvDirectory_->setRootIndex(folders_->setRootPath(drive));
    });
    connect(drvDirectory_, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { setFolder(folders_->filePath(index)); });

    const auto button = [&](const char* name, const QString& text, auto slot) {
        auto* b = Named(new QPushButton(text, this), QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        left->addWidget(b);
        commands_ << b;
        return b;
    };
    button("cmdDownLoadGroup", QStringLiteral("Download &Group"), &frmWaveLibrary::downloadGroup);
    button("cmdDownLoadAll", QStringLiteral("Download &All"), &frmWaveLibrary::downloadAll);
    button("cmdDeleteAll", QStringLiteral("&Delete All in Source"), &frmWaveLibrary::deleteAll);
    cmdStop_ = Named(new QPushButton(QStringLiteral("&Stop"), this), QStringLiteral("cmdStop"));
    cmdStop_->setEnabled(false);
    connect(cmdStop_, &QPushButton::clicked, this, &frmWaveLibrary::stop);
    left->addWidget(cmdStop_);
    button("cmdClose", QStringLiteral("&Close"), &QWidget::close);
    layout->addLayout(left);

    auto* right = new QVBoxLayout;
    tbsWaveforms_ = Named(new QTabBar(this), QStringLiteral("tbsWaveforms"));
    tbsWaveforms_->setExpanding(false);
    connect(tbsWaveforms_, &QTabBar::currentChanged, this, [this](int group) {
        if (group >= 0) showGroup(group);
    });
    right->addWidget(tbsWaveforms_);
    auto* grid = new QGridLayout;
    for (int n = 0; n < kLibraryGroupSize; ++n) {
        auto* thumbnail = Named(new GraphView(this), QStringLiteral("Wave_%1").arg(n));
        thumbnail->setMinimumSize(200, 150);
        connect(thumbnail, &GraphView::drawReleased, this,
                [this, n](QPoint pixel) { popup(n, pixel); });
        grid->addWidget(thumbnail, n / 4, n % 4);
        thumbnails_ << thumbnail;
    }
    right->addLayout(grid, 1);
    StatusBar1_ = Named(new QLabel(kHint, this), QStringLiteral("StatusBar1"));
    StatusBar1_->setFrameShape(QFrame::StyledPanel);
    StatusBar1_->setFrameShadow(QFrame::Sunken);
    right->addWidget(StatusBar1_);
    layout->addLayout(right, 1);
}

void frmWaveLibrary::setFolder(const QString& folder) {
    folder_ = folder;
    files_ = LibraryFiles(folder);
    read_.clear();
    const QModelIndex shown = folders_->index(folder);
    if (shown.isValid()) {
        drvDirectory_->setCurrentIndex(shown);
        drvDirectory_->scrollTo(shown);
    }
    setWindowTitle(QStringLiteral("Disk Waveform Library - ") + QDir::toNativeSeparators(folder));
    const QSignalBlocker block(tbsWaveforms_);
    while (tbsWaveforms_->count() > 0)
        tbsWaveforms_->removeTab(0);
    const int groups =
        std::max<int>(1, int((files_.size() + kLibraryGroupSize - 1) / kLibraryGroupSize));
    for (int g = 0; g < groups; ++g) {
        const int n = g + 1;
        tbsWaveforms_->addTab(QStringLiteral("Group &%1").arg(n));
        tbsWaveforms_->setTabData(g, QStringLiteral("tbGroup%1").arg(n));
    }
    tbsWaveforms_->setCurrentIndex(0);
    showGroup(0);
}

int frmWaveLibrary::group() const {
    return tbsWaveforms_->currentIndex();
}

void frmWaveLibrary::showGroup(int group) {
    if (tbsWaveforms_->currentIndex() != group) {
        tbsWaveforms_->setCurrentIndex(group); // shows it through currentChanged
        return;
    }
    for (int n = 0; n < kLibraryGroupSize; ++n)
        drawThumbnail(n);
}

QString frmWaveLibrary::fileOf(int n) const {
    return files_.value(group() * kLibraryGroupSize + n);
}

void frmWaveLibrary::drawThumbnail(int n) {
    GraphView* g = thumbnails_[n];
    const QString file = fileOf(n);
    g->reset();
    if (file.isEmpty()) {
        g->redraw();
        return;
    }
    // Read once, when its tab is first shown.
    if (!read_.contains(file)) {
        QString error;
        read_.insert(file, ReadAbwFile(file, error));
    }
    const std::optional<WaveformSamples>& samples = read_.value(file);
    const double vpk = PeakScale(program_.sourceModel, program_.outputState);
    g->setTitle(QFileInfo(file).fileName() + (samples ? QString() : QStringLiteral(" (damaged)")));
    std::vector<float> volts(kWaveformPeriod, 0.0f);
    if (samples)
        for (int k = 0; k < kWaveformPeriod; ++k)
            volts[size_t(k)] = static_cast<float>((*samples)[size_t(k)] * vpk);
    ShowPeriod(*g, volts, vpk, false, 90);
}

void frmWaveLibrary::popup(int n, QPoint pixel) {
    if (fileOf(n).isEmpty() || downloading_) return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Open in Arbitrary Waveform Editor"), this,
                   [this, n] { openInEditor(n); });
    menu.addAction(QStringLiteral("Download"), this, [this, n] { downloadOne(n); });
    menu.exec(thumbnails_[n]->mapToGlobal(pixel));
}

void frmWaveLibrary::openInEditor(int n) {
    const QString file = fileOf(n);
    QString error;
    const auto samples = ReadAbwFile(file, error);
    if (!samples) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    program_.waveform.assign(*samples);
    program_.waveform.name = FileWaveformName(file);
    if (openEditor_) openEditor_();
}

void frmWaveLibrary::downloadOne(int n) {
    if (!fileOf(n).isEmpty()) runBatch({fileOf(n)});
}

void frmWaveLibrary::downloadGroup() {
    runBatch(files_.mid(group() * kLibraryGroupSize, kLibraryGroupSize));
}

void frmWaveLibrary::downloadAll() {
    runBatch(files_);
}

void frmWaveLibrary::runBatch(const QStringList& files) {
    if (downloading_ || files.isEmpty()) return;
    PromptOwner owner(program_.prompt(), this);
    stopRequested_ = false;
    setDownloading(true);
    const BatchReport report =
        DownloadBatch(program_, files, std::nullopt, [this] { return stopRequested_; });
    setDownloading(false);
    if (report.stopped == BatchStop::NoSource) return;
    const QString failures = reportOf(report);
    QString done = QStringLiteral("%1 of %2 waveforms downloaded")
                       .arg(report.downloaded.size())
                       .arg(files.size());
    if (report.stopped == BatchStop::Operator) done += QStringLiteral(", stopped");
    if (report.stopped == BatchStop::LinkLost) done += QStringLiteral(", the connection was lost");
    StatusBar1_->setText(done + QLatin1Char('.'));
    if (!failures.isEmpty() && report.stopped != BatchStop::MemoryFull)
        program_.prompt().showMessage(QStringLiteral("These waveforms were not downloaded:\r\n") +
                                          failures,
                                      PromptIcon::Exclamation);
    if (closeRequested_) close();
}

void frmWaveLibrary::deleteAll() {
    PromptOwner owner(program_.prompt(), this);
    if (program_.settings.link.bus == BusSimulation) {
        program_.prompt().showMessage(QStringLiteral("Waveform transfer cancelled.\r\n"
                                                     "No Interface to AC Source available!"),
                                      PromptIcon::Exclamation);
        return;
    }
    DeleteAllWaveforms(program_);
}

void frmWaveLibrary::setDownloading(bool on) {
    downloading_ = on;
    for (QPushButton* b : std::as_const(commands_))
        b->setEnabled(!on);
    cmdStop_->setEnabled(on);
}

QString frmWaveLibrary::status() const {
    return StatusBar1_->text();
}

void frmWaveLibrary::closeEvent(QCloseEvent* event) {
    // A batch ends after the waveform in hand; the window closes after it.
    if (downloading_) {
        stopRequested_ = true;
        closeRequested_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace ostrel
