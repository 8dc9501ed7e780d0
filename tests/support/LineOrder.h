#pragma once
// Conversation checks: the lines a source received hold the expected ones in
// their order (other lines may come between).
#include <QStringList>

#include <gtest/gtest.h>

namespace ostrel::test {

// Each expected line is found after the one before; the first that does not
// follow is named, with the received lines around it.
::testing::AssertionResult InOrder(const QStringList& lines, const QStringList& expected);

} // namespace ostrel::test
