#pragma once
// The socket wrapper's few diagnostics go to standard output at once, so they
// keep their order with other output.

void UdpConsole(const char* text);
