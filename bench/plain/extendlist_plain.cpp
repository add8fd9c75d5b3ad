// COMPARISON ONLY, never installed: extendlist's dialogue written the obvious way, with scanf,
// printf and a malloc/realloc block, as the yardstick for the benchmark.
#include <cstdio>
#include <cstdlib>

int main() {
  int count = 0;
  std::printf("How numbers do you want: ");
  std::scanf("%d", &count);
  auto* list = static_cast<int*>(std::malloc(static_cast<std::size_t>(count) * sizeof(int)));
  if (list == nullptr) {
    std::printf("Memory allocation failed!");
    return 1;
  }
  for (int i = 0; i < count; ++i) {
    std::printf("[%d]= ", i);
    std::scanf("%d", &list[i]);
  }
  std::putchar('\n');
  int added = 0;
  std::printf("How many elements do you want to add: ");
  std::scanf("%d", &added);
  const int total = count + added;
  if (total > 0) {
    auto* grown =
        static_cast<int*>(std::realloc(list, static_cast<std::size_t>(total) * sizeof(int)));
    if (grown == nullptr) {
      std::printf("Memory allocation failed!");
      std::free(list);
      return 1;
    }
    list = grown;
  }
  for (int i = count; i < total; ++i) {
    std::printf("[%d]= ", i);
    std::scanf("%d", &list[i]);
  }
  for (int i = 0; i < total; ++i) std::printf("[%d]= %d", i, list[i]);
  std::putchar('\n');
  std::free(list);
  return 0;
}
