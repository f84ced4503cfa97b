// floor_io TRACE_FILE [HTML_FILE]: the I/O floor under an analyzed run. Reads standard input (the
// import script's pipe) in blocks of up to 16,383 bytes as the launcher does, cuts whole lines,
// and does per line only the writes a run must do: the console line on standard output and the
// trace-file line, one write() each; with HTML_FILE also the HTML log line. No analysis; the
// lines are shaped like the program's (time stamp, source, markup) so the bytes written match.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr size_t kReadSize = 16383;

void WriteAll(int fd, const std::string& text) {
  if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    std::perror("write");
    _exit(1);
  }
}

// "Dec 06 00:37:00 2026", converted once per second like the program's time stamps.
std::string_view Stamp() {
  static time_t last = -1;
  static char text[32];
  const time_t now = time(nullptr);
  if (now != last) {
    last = now;
    tm local{};
    localtime_r(&now, &local);
    strftime(text, sizeof(text), "%b %d %H:%M:%S %Y", &local);
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s TRACE_FILE [HTML_FILE] < pipe\n", argv[0]);
    return 2;
  }
  const int trace = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int html = argc > 2 ? open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
  if (trace < 0 || (argc > 2 && html < 0)) {
    std::perror("open");
    return 1;
  }
  const std::string_view source = "movarin_all.bat";
  std::string pending, console_line, trace_line, html_line;
  char buffer[kReadSize + 1];
  for (ssize_t got; (got = read(0, buffer, kReadSize)) > 0;) {
    pending.append(buffer, static_cast<size_t>(got));
    size_t start = 0;
    for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      std::string_view text(pending.data() + start, end - start);
      while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
      if (text.empty()) continue;
      console_line.assign(source).append("> ").append(text).append("\r\n");
      WriteAll(1, console_line);
      trace_line.assign(Stamp()).append("  ").append(source).append("> ").append(text);
      trace_line.append("\r\n");
      WriteAll(trace, trace_line);
      if (html < 0) continue;
      html_line.assign("<br><tmstp>").append(Stamp()).append(" </tmstp> <line>  <exec>");
      html_line.append(source).append("> </exec>").append(text).append("</line>\r\n");
      WriteAll(html, html_line);
    }
    pending.erase(0, start);
  }
  close(trace);
  if (html >= 0) close(html);
  return 0;
}
