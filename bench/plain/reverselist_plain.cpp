// COMPARISON ONLY, never installed: reverselist's dialogue written the obvious way, with scanf,
// printf and a malloc block, as the yardstick for the benchmark.
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
    std::printf("[i]= ");
    std::scanf("%d", &list[i]);
  }
  for (int i = count - 1; i >= 0; --i) std::printf("%d ", list[i]);
  std::putchar('\n');
  std::free(list);
  return 0;
}
