// A base for objects that stay where they were made: streams that others hold by reference, and
// buffers that hand out pointers into themselves. Copying or moving one would leave those behind.
#pragma once

namespace number_list {

class Pinned {
 public:
  Pinned(const Pinned&) = delete;
  Pinned& operator=(const Pinned&) = delete;
  Pinned(Pinned&&) = delete;
  Pinned& operator=(Pinned&&) = delete;

 protected:
  Pinned() = default;
  ~Pinned() = default;
};

}  // namespace number_list
