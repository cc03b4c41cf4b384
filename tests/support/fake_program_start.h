// A program starter that starts nothing: it records each command line with
// its window style, and can be told to refuse.
#pragma once

#include "platform/program_start.h"

#include <QString>

#include <vector>

namespace orvanta::testing {

class FakeProgramStart : public platform::ProgramStart {
 public:
  struct Start {
    QString commandLine;
    int windowStyle;
    bool operator==(const Start&) const = default;
  };

  std::vector<Start> starts;
  bool refuse = false;

  bool start(const QString& commandLine, int windowStyle) override {
    starts.push_back({commandLine, windowStyle});
    return !refuse;
  }
};

}  // namespace orvanta::testing
