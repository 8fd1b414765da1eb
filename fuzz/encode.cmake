# The compressor's fuzzer (included by fuzz/CMakeLists.txt): its output,
# in both modes, decoded again by our decoder.  The compressor's and the
# decoder's sources are compiled in here, instrumented.
set(encode_dir ${PROJECT_SOURCE_DIR}/lzh/codec/encode)
set(decode_dir ${PROJECT_SOURCE_DIR}/lzh/codec/decode)
add_executable(encode_fuzz encode_fuzz.cpp
  ${encode_dir}/encode.cpp ${encode_dir}/huffman.cpp ${encode_dir}/block_coder.cpp ${encode_dir}/block_split.cpp
  ${encode_dir}/segment_coder.cpp ${encode_dir}/match_tree.cpp ${encode_dir}/optimal_parse.cpp
  ${encode_dir}/optimal_coder.cpp
  ${decode_dir}/decode.cpp ${decode_dir}/lh_decoder.cpp ${decode_dir}/lh23_decoder.cpp ${decode_dir}/lhasa_decoder.cpp)
target_include_directories(encode_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/lzh/core ${PROJECT_SOURCE_DIR}/lzh/codec
  ${encode_dir})
find_package(PkgConfig REQUIRED)
pkg_check_modules(ENCODE_FUZZ_LHASA REQUIRED IMPORTED_TARGET liblhasa)
find_package(Threads REQUIRED)
target_link_libraries(encode_fuzz PRIVATE PkgConfig::ENCODE_FUZZ_LHASA Threads::Threads lzh_platform)
target_compile_options(encode_fuzz PRIVATE -fsanitize=fuzzer ${MORVANE_SANITIZER_FLAGS})
target_link_options(encode_fuzz PRIVATE -fsanitize=fuzzer ${MORVANE_SANITIZER_FLAGS})
