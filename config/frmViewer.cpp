#include "config/frmViewer.h"

#include "core/Program.h"
#include "config/TraceSave.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

frmViewer::frmViewer(Program& program, QWidget* parent) : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("frmViewer"));
    setWindowTitle(QStringLiteral("Bus Monitor"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    list_ = new QListView(body);
    list_->setObjectName(QStringLiteral("lstCommands"));
    list_->setModel(&program_.busTrace);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setUniformItemSizes(true);
    list_->setFont(QFont(QStringLiteral("Monospace")));
    layout->addWidget(list_);
    auto* close = new QPushButton(QStringLiteral("Close"), body);
    close->setObjectName(QStringLiteral("cmdClose"));
    layout->addWidget(close, 0, Qt::AlignRight);
    setCentralWidget(body);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    // The last entry is selected after each one, so the list follows the traffic.
    connect(&program_.busTrace, &QAbstractItemModel::rowsInserted, this, [this] {
        const QModelIndex last = program_.busTrace.index(program_.busTrace.rowCount() - 1);
        list_->setCurrentIndex(last);
        list_->scrollTo(last);
    });

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    const auto addSave = [&](const char* name, const QString& text, TraceSelection which) {
        QAction* a = file->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, which] {
            const PromptOwner owner(program_.prompt(), this);
            SaveTrace(program_, which);
        });
    };
    addSave("mnuFSave", QStringLiteral("&Save Trace..."), TraceSelection::All);
    addSave("mnuFSOutput", QStringLiteral("Save &Commands Only..."), TraceSelection::Commands);
    addSave("mnuFSResponses", QStringLiteral("Save &Responses Only..."), TraceSelection::Responses);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuFExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* copy = edit->addAction(QStringLiteral("&Copy"));
    copy->setObjectName(QStringLiteral("mnuECopy"));
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, &frmViewer::copySelection);
    QAction* clear = edit->addAction(QStringLiteral("C&lear"));
    clear->setObjectName(QStringLiteral("mnuEClear"));
    connect(clear, &QAction::triggered, &program_.busTrace, &BusTraceModel::clear);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* commands = view->addAction(QStringLiteral("&Commands"));
    commands->setObjectName(QStringLiteral("mnuVCommands"));
    QAction* responses = view->addAction(QStringLiteral("&Responses"));
    responses->setObjectName(QStringLiteral("mnuVResponse"));
    for (QAction* a : {commands, responses}) a->setCheckable(true);
    connect(commands, &QAction::toggled, this, [this](bool on) { program_.link.state.traceCommands = on; });
    connect(responses, &QAction::toggled, this, [this](bool on) { program_.link.state.traceResponses = on; });
    resize(560, 480);
}

frmViewer::~frmViewer() { stopTracing(); }

void frmViewer::stopTracing() {
    program_.link.state.traceCommands = false;
    program_.link.state.traceResponses = false;
}

void frmViewer::closeEvent(QCloseEvent* event) {
    stopTracing();
    event->accept();
}

void frmViewer::copySelection() {
    QModelIndexList rows = list_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const QModelIndex& i : rows) lines.append(i.data().toString());
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

} // namespace ostrel
