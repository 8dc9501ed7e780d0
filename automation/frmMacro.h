#pragma once
// The command macro window: a list of command, query and directive lines,
// edited in place, played all at once or a line per click, kept as text files.
#include "app/WindowPrompt.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPaintDevice;
class QPushButton;

namespace ostrel {

struct Program;
class MacroRun;

class frmMacro : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMacro(Program& program, QWidget* parent = nullptr);
    ~frmMacro() override;

    // How a saved file is opened in the system text editor; tests replace it.
    void setOpener(std::function<bool(const QString& path)> opener) { opener_ = std::move(opener); }
    void setAfterRun(std::function<void()> afterRun) { afterRun_ = std::move(afterRun); }
    void setHelp(std::function<void()> help) { help_ = std::move(help); }
    void watchForShutdown(QWidget* mainWindow);

    QStringList lines() const;
    void setLines(const QStringList& lines);
    bool openFile(const QString& path);
    bool writeTo(const QString& path);
    bool running() const { return run_ != nullptr; }
    bool writeListingPdf(const QString& path, QString& error);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildMenus();
    void runAll();
    void stepOne();
    void abort();
    void followSource();
    void editLine();
    void insertLine();
    void deleteLine();
    void copyLine();
    void pasteLine();
    void move(int by);
    void newMacro();
    void open();
    bool save();
    bool saveAs();
    void openInEditor();
    void print();
    void printPdf();
    void paintListing(QPaintDevice& device);
    void setRunning(bool on, bool stepping = false);
    void markChanged();
    QString folder() const;

    Program& program_;
    WindowPrompt prompt_{program_, this};
    std::function<bool(const QString&)> opener_;
    std::function<void()> afterRun_;
    std::function<void()> help_;
    QPointer<QWidget> mainWindow_;
    MacroRun* run_ = nullptr;
    QString file_;
    QString copied_;
    bool changed_ = false;
    bool closeWhenStopped_ = false;

    QListWidget* lstMacro_ = nullptr;
    QLineEdit* txtEditLine_ = nullptr;
    QLabel* lblRespData_ = nullptr;
    QCheckBox *chkLoop_ = nullptr, *chkErrorCheck_ = nullptr;
    QPushButton *cmdRun_ = nullptr, *cmdStep_ = nullptr, *cmdAbort_ = nullptr, *cmdEdit_ = nullptr,
                *cmdMoveUp_ = nullptr, *cmdMoveDown_ = nullptr;
    QList<QAction*> idleOnly_;
};

} // namespace ostrel
