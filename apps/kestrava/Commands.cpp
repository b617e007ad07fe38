#include "apps/kestrava/Commands.h"

namespace kestrava::tool {

namespace {

const Command kCommands[] = {
    {"design", "design a correction from a microphone and a pickup recording", &runDesignCommand},
    {"render", "run a recording through a correction as the plug-in does", &runRenderCommand},
    {"export-ir", "write a correction as an impulse-response WAV for convolvers and pedals", &runExportIrCommand},
    {"inspect", "show the sections of a correction file", &runInspectCommand},
    {"demo", "design and render a correction for a generated demonstration take", &runDemoCommand},
    {"drivers", "list the audio drivers and their channels", &runDriversCommand},
    {"record", "record the microphone and the pickup through a driver and design the correction", &runRecordCommand},
    {"monitor", "play the microphone, the pickup or the corrected pickup through a driver", &runMonitorCommand},
};

}  // namespace

std::span<const Command> commands()
{
    return kCommands;
}

}  // namespace kestrava::tool
