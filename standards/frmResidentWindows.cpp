#include "standards/frmResidentWindows.h"

#include "core/Program.h"
#include "app/frmMain.h"
#include "standards/ResidentOption.h"
#include "standards/frmResident.h"

#include <QAction>
#include <QEvent>

namespace ostrel {

namespace {

struct Entry {
    const char* name;
    ResidentKind kind;
};

constexpr Entry kEntries[] = {{"mnuAMilAdvanced", ResidentKind::Ms704},
                              {"mnuAMilLegacy", ResidentKind::Mil704},
                              {"mnuADO160RevD", ResidentKind::Do160}};

// Follows the option flags whenever the main window shows or comes back to
// the front (after start-up, after the interface dialog).
class OptionFlags : public QObject {
public:
    OptionFlags(frmMain& main, Program& program) : QObject(&main), main_(main), program_(program) {
        main.installEventFilter(this);
        update();
    }

    void update() {
        for (const Entry& e : kEntries)
            if (QAction* a = main_.action(QString::fromLatin1(e.name)))
                a->setEnabled(ResidentOptionInstalled(ResidentOptionFor(e.kind), program_.sourceModel));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &main_ && (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)) update();
        return QObject::eventFilter(watched, event);
    }

private:
    frmMain& main_;
    Program& program_;
};

} // namespace

void RegisterResidentWindows(frmMain& main, Program& program) {
    for (const Entry& e : kEntries) {
        QAction* a = main.action(QString::fromLatin1(e.name));
        if (!a) continue;
        const QString name = QString::fromLatin1(e.name);
        const ResidentOption& option = ResidentOptionFor(e.kind);
        QObject::connect(a, &QAction::triggered, &main, [&main, &program, &option, name] {
            if (!main.windows().find(name)) {
                if (const QString refusal = ResidentOpeningRefusal(option, program.outputState); !refusal.isEmpty()) {
                    program.prompt().showMessage(refusal, PromptIcon::Exclamation);
                    return;
                }
            }
            main.windows().show(name, [&program, &option] { return new frmResident(program, option); });
        });
    }
    new OptionFlags(main, program);
}

} // namespace ostrel
