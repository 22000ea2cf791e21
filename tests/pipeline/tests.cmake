# The pipeline's stages alone, each on a fake sink or a null muxer: the frame-rate sync, the
# audio output's framing and timing, the packet sink with its bitstream filters, the fault policy.
mirelk_test(pipeline_stages_test
  pipeline/frame_rate_sync_test.cpp
  pipeline/audio_framing_test.cpp
  pipeline/packet_sink_test.cpp
  test_support.cpp)
