# SPDX-License-Identifier: MIT
# Build flags, given to targets through these interface libraries, never to
# the whole tree.

# Warnings (errors with TYPHOROS_WERROR) and, outside the sanitized and fuzz
# builds, the hardening Debian builds its packages with: fortified functions
# and full RELRO.
add_library(typhoros_warnings INTERFACE)
target_compile_options(typhoros_warnings INTERFACE -Wall -Wextra $<$<BOOL:${TYPHOROS_WERROR}>:-Werror>)
if(NOT TYPHOROS_SANITIZE AND NOT TYPHOROS_FUZZ)
  target_compile_definitions(typhoros_warnings INTERFACE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  target_link_options(typhoros_warnings INTERFACE LINKER:-z,relro,-z,now)
endif()

# Sanitizers (or the fuzzer's instrumentation) go to the game and its tests,
# not to the sound player: its tests time it against a real sound server,
# and ASan's start-up alone would eat half of its 50 ms of grace.
add_library(typhoros_sanitizers INTERFACE)
if(TYPHOROS_SANITIZE)
  target_compile_options(typhoros_sanitizers INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(typhoros_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
if(TYPHOROS_FUZZ)
  target_compile_options(typhoros_sanitizers INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(typhoros_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
