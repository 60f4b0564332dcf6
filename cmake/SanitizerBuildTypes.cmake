# SPDX-License-Identifier: MIT
# Sanitizer build types: Asan (AddressSanitizer + UndefinedBehaviorSanitizer), Tsan.
# Included before project(): project() makes the cache entries of the chosen build
# type from these starting values, so a value the user gives (-D or cache) is kept.
set(CMAKE_CXX_FLAGS_ASAN_INIT
    "-O1 -g -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined")
set(CMAKE_EXE_LINKER_FLAGS_ASAN_INIT "-fsanitize=address,undefined")
set(CMAKE_SHARED_LINKER_FLAGS_ASAN_INIT "-fsanitize=address,undefined")
set(CMAKE_CXX_FLAGS_TSAN_INIT "-O1 -g -fsanitize=thread -fno-omit-frame-pointer")
set(CMAKE_EXE_LINKER_FLAGS_TSAN_INIT "-fsanitize=thread")
set(CMAKE_SHARED_LINKER_FLAGS_TSAN_INIT "-fsanitize=thread")
