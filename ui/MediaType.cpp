#include "ui/MediaType.h"

const wchar_t* PageMediaType()
{
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    bool on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
              (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    return on ? L"contrast-screen" : L"screen";
}
