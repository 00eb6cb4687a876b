#pragma once

#include <QStringList>

struct LinkOptions;

// zorvan-cli ins protocol mavlink|kavolink|reboot: sends the transport command frame on the link the
// options describe. A switch is followed 200 ms later by the reboot that makes it take effect, then
// waits until the unit answers in the new protocol (0) or timeoutMs passes without it (1). Bad
// arguments give 2.
int runInsProtocol(const LinkOptions &options, int timeoutMs, const QStringList &args);
