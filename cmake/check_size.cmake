# Fails when the program IMAGE is larger than MAX_BYTES: every note carries the editor, so a few
# kilobytes more are paid once per note.
# Run as: cmake -DIMAGE=<program> -DMAX_BYTES=<bytes> -P check_size.cmake
cmake_minimum_required(VERSION 3.25)
file(SIZE ${IMAGE} size)
if(size GREATER MAX_BYTES)
  message(FATAL_ERROR "${IMAGE} is ${size} bytes, past the ceiling of ${MAX_BYTES} "
                      "(QUILLOX_EDITOR_MAX_BYTES in the top-level CMakeLists.txt)")
endif()
message(STATUS "${IMAGE}: ${size} of at most ${MAX_BYTES} bytes")
