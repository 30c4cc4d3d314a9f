// The host side of the native soak: a stand-in engine with the system audio
// channels, capturing from a ramp device that delivers its packets in real
// time, with the UI port open for a peer (tests/soak/audio_soak.py). Runs
// until its standard input closes, then exits 0.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "flutter/flutter_view_controller.h"
#include "ramp_audio_endpoint.h"
#include "standin/engine_test_api.h"
#include "system_audio_channels.h"

int main() {
  auto controller = std::make_unique<flutter::FlutterViewController>(800, 600, flutter::EngineProject(L"data"));
  if (controller->Engine() == nullptr) {
    std::fputs("audio_soak_host: no engine\n", stderr);
    return 1;
  }
  kestro::InstallSystemAudioChannels(controller->Engine(), kestro::testing::RampEndpointFactory(1.0));
  if (!standin::StartUiPort(0)) return 1;  // the stand-in says why

  std::atomic<bool> input_closed{false};
  std::thread watcher([&input_closed] {
    while (std::fgetc(stdin) != EOF) {
    }
    input_closed = true;
  });
  while (!input_closed) {
    standin::PumpUntil([&input_closed] { return input_closed.load(); }, std::chrono::milliseconds(500));
    // The stand-in records every send for tests to read; this run reads
    // none, and a record filling up would hide the channels' own memory.
    standin::ClearSentMessages();
  }
  watcher.join();
  controller.reset();
  standin::StopUiPort();
  return 0;
}
