# The media prober, on the shared samples and on media the tests make with the ffmpeg tool.
mirelk_test(prober_test
  probe/prober_facts_test.cpp
  probe/prober_open_test.cpp
  probe/prober_frames_test.cpp
  probe/prober_attach_test.cpp
  probe/probe_media.cpp
  test_support.cpp)
target_link_libraries(prober_test PRIVATE mirelk_probe)
