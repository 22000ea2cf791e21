#include "form/widget_states.h"

namespace mirelk {

void UpdateWidgetStates(TOptionFormSettings& settings)
{
    const bool external = settings.HookSource == hsExternal;
    for (THookCheck* hook : {&settings.ImageHook, &settings.TextHook, &settings.WatermarkHook,
                             &settings.SampleImageHook, &settings.SampleTextHook})
        hook->Enabled = external;
    settings.ImageDancingEnabled = settings.ImageHook.Counts();
    settings.TextScrollingEnabled = settings.TextHook.Counts();
    settings.WatermarkModeEnabled = settings.WatermarkHook.Counts();
    settings.SampleHookTextEnabled = settings.SampleTextHook.Counts();
    settings.BeforeHookEnabled = external;
    settings.PTSPeriodsEnabled = external;
    settings.PTSPeriodsTextEnabled = external && settings.HookBehaviour == hbPTSPeriods;
}

}  // namespace mirelk
