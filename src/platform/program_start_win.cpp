// Program start on Windows: the program is started directly with the
// command tail passed on unchanged and the window style in its start-up
// information.
#include "program_start.h"

#include <QProcess>

#include <windows.h>

namespace orvanta::platform {
namespace {

class WindowsProgramStart : public ProgramStart {
 public:
  bool start(const QString& commandLine, int windowStyle) override {
    const QStringList parts = splitCommandLine(commandLine);
    if (parts.isEmpty() || parts.first().isEmpty()) return false;
    QProcess process;
    process.setProgram(parts.first());
    process.setNativeArguments(commandTail(commandLine));
    process.setCreateProcessArgumentsModifier([windowStyle](QProcess::CreateProcessArguments* args) {
      args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
      args->startupInfo->wShowWindow = static_cast<WORD>(windowStyle);
    });
    return process.startDetached();
  }
};

}  // namespace

std::unique_ptr<ProgramStart> createSystemProgramStart() { return std::make_unique<WindowsProgramStart>(); }

}  // namespace orvanta::platform
