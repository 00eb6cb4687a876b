// Every fuzz target runs its input millions of times: the debug lines the code under test writes per
// input would fill the disk (and slow the run), so they are dropped before the first input.
#include <QtGlobal>

namespace {
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(dropMessage);
    return 0;
}
