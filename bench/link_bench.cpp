// link_bench.cpp — qlink on a large program: 200 generated objects of 5,000
// statements each (code bytes, relocatable fields with range checks, calls to
// externals in other objects, data blocks), linked in-process into Intel HEX and
// a map; prints the time of each stage of the run and the peak memory.
//
//   ninja -C build link_bench && ./build/link_bench [objects] [statements] [dir]
//
// The objects stay in the directory (default /tmp/qasm_link_bench), so that
// `/usr/bin/time -v build/qlink ...` can be run on them as well; the command
// line is printed at the end.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "driver/output_table.h"
#include "link/linker.h"
#include "object/quill_builder.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// One module as the assembler writes a typical source: statements with source
// positions, opcodes, 16-bit relocatable operands checked for the linker, calls
// to the next module's entries, and now and then a data block.
std::string make_object(int index, int objects, int statements) {
  std::mt19937 rng(static_cast<unsigned>(index));
  quill_builder b;
  b.module("mod" + std::to_string(index)).rtmodel("__rt_version", "1").predefined_types();
  b.rseg(0, "CODE", QK_REL, 1).rseg(1, "DATA", QK_REL, 2, 1);
  for (int e = 0; e < 8; ++e) b.symbol(QS_RELOCATABLE, 0, static_cast<uint32_t>(e * 16), "e" + std::to_string(index) + "_" + std::to_string(e));
  for (int e = 0; e < 8; ++e) b.external(static_cast<uint32_t>(e), "e" + std::to_string((index + 1) % objects) + "_" + std::to_string(e));
  b.loc_rel(0, 0);
  uint32_t off = 0;  // offset of the statement in CODE
  for (int s = 0; s < statements; ++s) {
    b.src_pos(1);
    switch (rng() % 8) {
      case 0:  // CALL !external: CODE lies above 64 KiB here, so the check is a 24-bit one
        b.data1(0x9A).ext(rng() % 8).check("\n Number out of range\n File: mod.s26, Line: 1 \n Source: CALL !x", 0, 0xFFFFFF).store(2);
        off += 3;
        break;
      case 1:  // MOVW AX,#DATA+n
        b.data1(0x10).segrel(1, rng() % 64).check("\n Number out of range", -32768, 65535).store(2);
        off += 3;
        break;
      case 2: {  // BR $label, a label up to 100 bytes back: target - ($ + 2) with $ = 0x62 (-1)
        const uint32_t target = off > 100 ? off - rng() % 100 : off;
        b.data1(0xFA).segrel(0, target).location(0xFFFFFFFF).op(0x64).constant(2).op(0x64);
        b.check("\n Branch too long", -128, 127).store(1);
        off += 2;
        break;
      }
      default:
        b.data1(rng() & 0xFF).data1(rng() & 0xFF);
        off += 2;
        break;
    }
  }
  b.loc_rel(1, 0).block(1, 0, 64);
  return b.end().eof().bytes();
}

long peak_kib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const int objects = argc > 1 ? std::atoi(argv[1]) : 200;
  const int statements = argc > 2 ? std::atoi(argv[2]) : 5000;
  const std::string dir = argc > 3 ? argv[3] : "/tmp/qasm_link_bench";
  std::filesystem::create_directories(dir);
  auto t0 = std::chrono::steady_clock::now();
  std::vector<std::string> names;
  std::size_t total = 0;
  for (int i = 0; i < objects; ++i) {
    const std::string bytes = make_object(i, objects, statements);
    total += bytes.size();
    names.push_back(dir + "/mod" + std::to_string(i) + ".r26");
    std::ofstream(names.back(), std::ios::binary) << bytes;
  }
  std::printf("generated %d objects of %d statements, %zu bytes, in %.2f s\n", objects, statements, total,
              seconds_since(t0));
  const long before = peak_kib();
  std::vector<std::string> words = {"qlink", "-o", dir + "/app.hex", "-m", dir + "/app.map", "-Z", "CODE=10000-FFFFFF",
                                    "-Z", "DATA=2000-FFFF"};
  words.insert(words.end(), names.begin(), names.end());
  std::vector<char*> args;
  for (std::string& w : words) args.push_back(w.data());
  t0 = std::chrono::steady_clock::now();
  const int code = qlink_run(g_output_table, static_cast<int>(args.size()), args.data());
  const double link = seconds_since(t0);
  std::printf("qlink exit %d: %.3f s, %.1f MB/s of objects, peak memory %ld KiB (%ld KiB before the link)\n", code,
              link, total / link / 1e6, peak_kib(), before);
  std::printf("command line: build/qlink -o %s/app.hex -Z CODE=10000-FFFFFF -Z DATA=2000-FFFF %s/mod*.r26\n",
              dir.c_str(), dir.c_str());
  return code;
}
