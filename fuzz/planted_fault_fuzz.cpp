// A target with faults planted on purpose, for the fuzz runner's own check:
// the inputs "crash", "leak", "hang" and "oom" each make it fail the way a
// real finding would, and scripts/fuzz.sh expects the runner to report every
// one of them. It tests nothing of the program and is never fuzzed for real.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Keeps a pointer alive in the optimiser's eyes without keeping it reachable.
void Use(void* p) { asm volatile("" : : "r"(p) : "memory"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input == "crash") {
    __builtin_trap();
  } else if (input == "leak") {
    char* lost = new char[64];
    lost[0] = 'x';
    Use(lost);
  } else if (input == "hang") {
    for (volatile int spin = 0;; spin = spin + 1) {
    }
  } else if (input == "oom") {
    void* huge = std::malloc(size_t{4} << 30);
    Use(huge);
    std::free(huge);
  }
  return 0;
}
