#pragma once
// The measurement windows' conversation through the program's link. Arrays
// are read by length over LAN and GPIB, so a reply arrives whole or is
// reported as incomplete.
#include "measure/SourceIo.h"

namespace ostrel {

struct Program;

class LinkIo : public SourceIo {
public:
    explicit LinkIo(Program& program) : program_(program) {}

    void send(const QString& command) override;
    QString query(const QString& command, double timeoutSeconds) override;
    QByteArray queryArray(const QString& command, double timeoutSeconds, int maxValues,
                          QString& error) override;
    QString checkError() override;
    bool lost() const override;

private:
    Program& program_;
};

} // namespace ostrel
