// quill_fuzz_support.h — the random and mutating driver shared by the QUILL fuzz
// targets (reader and dump, linker and evaluator): objects built from random
// records with the shared encoder, or seeds a target brings, mutated, and with
// their checksums repaired half of the time so that damage reaches the stages
// behind the checksum.
#pragma once

#include <csignal>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "object/quill_builder.h"
#include "object/quill_reader.h"

namespace quill_fuzz {

// One random expression of operands and operators, maybe with a check, then a store.
inline void random_expression(std::mt19937_64& rng, quill_builder& b) {
  static const uint8_t kOps[] = {0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6F, 0x70, 0x82,
                                 0x83, 0x84, 0x86, 0x87, 0x88, 0x8A, 0x8B, 0x8C, 0x8E, 0x8F, 0x90, 0x92, 0x9A,
                                 0x9B, 0x9C, 0xA9, 0xAA, 0xAB, 0x93};
  const int n = 1 + static_cast<int>(rng() % 8);
  for (int i = 0; i < n; ++i) {
    switch (rng() % 9) {
      case 0: b.constant(static_cast<uint32_t>(rng())); break;
      case 1: b.segrel(static_cast<uint32_t>(rng() % 3), static_cast<uint32_t>(rng() % 64)); break;
      case 2: b.ext(static_cast<uint32_t>(rng() % 3)); break;
      case 3: b.constant(0).sfb(static_cast<uint32_t>(rng() % 3)); break;
      case 4: b.location(static_cast<uint32_t>(rng() % 8) - 4); break;
      case 5: b.op(0x71, static_cast<uint32_t>(rng() % 4)); break;
      case 6: b.op(static_cast<uint8_t>(0x6D + rng() % 2), static_cast<uint32_t>(rng() % 40)); break;
      case 7: b.op(0x99, static_cast<uint32_t>(rng() % 5)); break;
      default: b.op(kOps[rng() % sizeof kOps]); break;
    }
  }
  if (rng() % 2) b.check("\n fuzz check", -static_cast<int32_t>(rng() % 300), static_cast<int32_t>(rng() % 70000));
  b.store(1 + static_cast<unsigned>(rng() % 4));
}

// A module of random segments, symbols, data and expressions.
inline void random_module(std::mt19937_64& rng, quill_builder& b, int which) {
  const std::string name = "m" + std::to_string(which);
  b.module(name, rng() % 4 == 0, rng() % 4 != 0);
  b.rseg(0, "CODE", QK_REL, 1, static_cast<unsigned>(rng() % 3), rng() % 5 == 0);
  b.rseg(1, rng() % 2 ? "DATA" : "SHARED", rng() % 3 == 0 ? QK_COMMON : QK_REL, 2);
  if (rng() % 2) b.aseg(2, "VECT", QK_STACK, 1, static_cast<uint32_t>(rng() % 0x100));
  b.symbol(QS_RELOCATABLE, 0, static_cast<uint32_t>(rng() % 16), "f" + std::to_string(which));
  if (rng() % 3 == 0) b.symbol(QS_WEAK, 1, 0, "w");
  for (uint32_t e = 0; e < 3; ++e) b.external(e, "f" + std::to_string((which + 1 + e) % 3));
  const int items = static_cast<int>(rng() % 30);
  for (int i = 0; i < items; ++i) {
    switch (rng() % 7) {
      case 0: b.loc_rel(static_cast<uint32_t>(rng() % 2), static_cast<uint32_t>(rng() % 32)); break;
      case 1: b.loc_abs(static_cast<uint32_t>(rng() % 0x200)); break;
      case 2: b.data1(static_cast<uint32_t>(rng())); break;
      case 3: b.data2(static_cast<uint32_t>(rng())).data3(static_cast<uint32_t>(rng())); break;
      case 4: b.block(static_cast<unsigned>(rng() % 5), static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng() % 40)); break;
      default: random_expression(rng, b); break;
    }
  }
  if (rng() % 2) b.end_rel(0, 0);
  else b.end();
}

inline std::string generate(std::mt19937_64& rng) {
  quill_builder b;
  const int modules = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < modules; ++i) random_module(rng, b, i);
  return b.eof().bytes();
}

inline std::string mutate(std::mt19937_64& rng, std::string s) {
  const int edits = 1 + static_cast<int>(rng() % 6);
  for (int e = 0; e < edits; ++e) {
    const std::size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 6) {
      case 0:
        if (at < s.size()) s[at] = static_cast<char>(rng() % 256);
        break;
      case 1: s.insert(at, 1, static_cast<char>(rng() % 256)); break;
      case 2: s.erase(at, rng() % 8); break;
      case 3: s.insert(at, s.substr(at, rng() % 32)); break;
      case 4:
        if (at < s.size()) s[at] = static_cast<char>(0xFF);  // absurd counts and lengths
        break;
      default: s.resize(at); break;
    }
  }
  if (rng() % 2) repair_checksums(s);
  return s;
}

inline void on_alarm(int) {
  const char text[] = "quill fuzz: one input ran for more than 20 s (hang); the input is kept\n";
  (void)!write(2, text, sizeof text - 1);
  std::abort();
}

// Runs `target` on generated and mutated objects for `seconds`, half of the
// mutated ones made from `seeds` when there are any; returns 0.
template <typename Target>
int drive(int argc, char** argv, const char* current_name, Target target, const std::vector<std::string>& seeds = {}) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  std::mt19937_64 rng(seed);
  std::signal(SIGALRM, on_alarm);
  long runs = 0, by_code[4] = {};
  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
  while (elapsed() < seconds) {
    const bool seeded = !seeds.empty() && rng() % 2 == 0;
    std::string input = seeded ? seeds[rng() % seeds.size()] : generate(rng);
    if (seeded || rng() % 4 != 0) input = mutate(rng, input);
    {
      std::ofstream keep(current_name, std::ios::binary | std::ios::trunc);
      keep << input;
    }
    alarm(20);
    const int code = target(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    alarm(0);
    if (code < 0 || code > 3) std::abort();
    ++by_code[code];
    ++runs;
    if (runs % 20000 == 0) std::fprintf(stderr, "%ld runs, %.0f s\n", runs, elapsed());
  }
  std::printf("%ld inputs (seed %llu): exit 0: %ld, 1: %ld, 2: %ld, 3: %ld\n", runs,
              static_cast<unsigned long long>(seed), by_code[0], by_code[1], by_code[2], by_code[3]);
  std::remove(current_name);
  return 0;
}

}  // namespace quill_fuzz
