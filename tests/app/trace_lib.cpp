// A trace library that keeps what it is handed, for the trace hook's tests.
#include <string>

static std::string g_lines;

extern "C" __attribute__((visibility("default"))) void
MagicTraceProc(int a, int b, const char* line, int c, int d) {
    g_lines += std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
               std::to_string(d) + ":" + line;
}

extern "C" __attribute__((visibility("default"))) const char* TraceLines() {
    return g_lines.c_str();
}
