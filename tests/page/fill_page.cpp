// Writes the filled installer page for a given default location, for the browser tests and
// the preview: fill_page <page.html> <hero.jpg> <default location> <out.html>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "setup/host/page_template.h"

namespace {

std::optional<std::string> read_file(const char* path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: fill_page <page.html> <hero.jpg> <default location> <out.html>\n");
    return 2;
  }
  const auto tmpl = read_file(argv[1]);
  const auto hero = read_file(argv[2]);
  if (!tmpl || !hero) {
    std::fprintf(stderr, "fill_page: cannot read %s\n", tmpl ? argv[2] : argv[1]);
    return 1;
  }
  const std::string page =
      fill_page_template(*tmpl, std::span(reinterpret_cast<const uint8_t*>(hero->data()), hero->size()), argv[3]);
  std::ofstream out(argv[4], std::ios::binary);
  out << page;
  out.close();
  if (!out) {
    std::fprintf(stderr, "fill_page: cannot write %s\n", argv[4]);
    return 1;
  }
  return 0;
}
