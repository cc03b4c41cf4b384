// What the service's end-to-end tests share across their sources.
#pragma once

#include <QCoreApplication>

namespace orvanta::search {

// The one application object of the test program.
QCoreApplication& app();

// How long the service gets for each step it is waited on.
constexpr int kServiceWaitMs = 20'000;

}  // namespace orvanta::search
