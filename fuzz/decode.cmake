# The decoder's fuzzer (included by fuzz/CMakeLists.txt).  The decoder's
# sources are compiled in here, instrumented, rather than linked from
# lzh_decode, which the rest of this build uses uninstrumented.
set(decode_dir ${PROJECT_SOURCE_DIR}/lzh/codec/decode)
add_executable(decode_fuzz decode_fuzz.cpp
  ${decode_dir}/decode.cpp ${decode_dir}/lh_decoder.cpp ${decode_dir}/lh23_decoder.cpp ${decode_dir}/lhasa_decoder.cpp)
target_include_directories(decode_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/lzh/core ${PROJECT_SOURCE_DIR}/lzh/codec)
find_package(PkgConfig REQUIRED)
pkg_check_modules(DECODE_FUZZ_LHASA REQUIRED IMPORTED_TARGET liblhasa)
target_link_libraries(decode_fuzz PRIVATE PkgConfig::DECODE_FUZZ_LHASA lzh_platform)
target_compile_options(decode_fuzz PRIVATE -fsanitize=fuzzer ${MORVANE_SANITIZER_FLAGS})
target_link_options(decode_fuzz PRIVATE -fsanitize=fuzzer ${MORVANE_SANITIZER_FLAGS})
