#pragma once

// What the about window says of the program's makers, kept in one place.
namespace Informazioni {
inline constexpr const char *kCredito = "Realizzato dal gruppo Sportello";
inline constexpr const char *kEmail = "sportello@example.com";
// A host name with a path, without scheme, as the user would type it in a browser.
inline constexpr const char *kSitoWeb = "www.example.com/sportello";
} // namespace Informazioni
