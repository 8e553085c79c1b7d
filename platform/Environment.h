// Values a process takes from its environment.
#pragma once

#include <cstdint>

namespace tarvolo {

// A wait of the program's own that the environment variable `name` may make
// shorter, never longer: its value when that is a whole number of milliseconds
// up to `longest`, else `longest`. The tests use it so as not to sit through a
// wait meant for people.
uint64_t WaitFromEnvironment(const wchar_t* name, uint64_t longest);

}  // namespace tarvolo
