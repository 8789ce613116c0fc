// Which video renderer shows the preview. On Windows the Video Mixing Renderer 9. Under Wine,
// whose VMR9 cannot present into a child window (the preview stays black) and can freeze when
// another window opens meanwhile, the GDI Video Renderer behind our RGB converter. The per-user
// value "PreviewRenderer" ("vmr9" or "gdi") overrides the choice. User-interface thread only.
#pragma once

enum class PreviewRenderer { Vmr9, Gdi };

// The registry value's name under the settings key.
constexpr wchar_t kPreviewRendererValue[] = L"PreviewRenderer";

// The stored choice when it is a text "vmr9" or "gdi" (any case); otherwise the system's.
PreviewRenderer ChoosePreviewRenderer();
// True when the program runs under Wine (its ntdll exports wine_get_version).
bool RunningUnderWine();
