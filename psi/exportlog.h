#pragma once

#include <QLoggingCategory>

// The exporter's own voice: encoding faults on the critical channel, one
// debug line per EIT routine. The editor shows them on stderr; velunor-cli
// shows the notes only with --dump.
Q_DECLARE_LOGGING_CATEGORY(lcExport)
