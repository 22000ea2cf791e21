# The video filter graph: built and fed directly on opened files, and through whole conversions
# checked with the ffmpeg tools.
mirelk_test(filter_graph_test
  filters/filter_graph_build_test.cpp
  filters/filter_graph_pictures_test.cpp
  filters/filter_test_support.cpp
  test_support.cpp)
mirelk_test(filter_transcode_test
  filters/filter_transcode_test.cpp
  filters/filter_test_support.cpp
  test_support.cpp)
