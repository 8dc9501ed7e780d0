#pragma once
// The measurement windows' conversation: the program's link while a source
// is attached, the simulated meter in simulation. The bus is looked at on
// every call, so a change in the interface settings takes effect at once.
#include "measure/LinkIo.h"
#include "measure/SimulatedMeter.h"

namespace ostrel {

class ProgramIo : public SourceIo {
public:
    explicit ProgramIo(Program& program);

    bool simulated() const;
    void send(const QString& command) override { current().send(command); }
    QString query(const QString& command, double timeoutSeconds) override {
        return current().query(command, timeoutSeconds);
    }
    QByteArray queryArray(const QString& command, double timeoutSeconds, int maxValues,
                          QString& error) override {
        return current().queryArray(command, timeoutSeconds, maxValues, error);
    }
    QString checkError() override { return current().checkError(); }
    bool lost() const override { return !simulated() && link_.lost(); }

private:
    SourceIo& current();

    Program& program_;
    LinkIo link_;
    SimulatedMeter simulated_;
};

} // namespace ostrel
