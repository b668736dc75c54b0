#include "lines/DialStatusText.h"

#include <array>
#include <string_view>

#include "platform/dialup/DialErrors.h"
#include "platform/files/CodePage.h"
#include "runtime/Translate.h"

namespace kelbrin::lines {
namespace {

struct StateTexts {
  int state;
  std::string_view english;
  std::string_view czech;       // written here in UTF-8, given out in Windows-1250
  std::string_view portuguese;  // written here in UTF-8, given out in Windows-1252
};

constexpr std::array<StateTexts, 28> kTexts{{
    {0, "Opening port", "Otevírá se port", "Abrindo a porta"},
    {1, "Port opened", "Port je otevřen", "Porta aberta"},
    {2, "Connecting device", "Připojuje se zařízení", "Conectando o dispositivo"},
    {3, "Device connected", "Zařízení je připojeno", "Dispositivo conectado"},
    {4, "All devices connected", "Všechna zařízení jsou připojena",
     "Todos os dispositivos conectados"},
    {5, "Start authenticating", "Zahajuje se ověřování", "Iniciando a autenticaçao"},
    {6, "Authentication: notify", "Ověřování: oznámení", "Autenticaçao: enviando"},
    {7, "Authentication: retry", "Ověřování: opakování", "Autenticaçao: repetindo"},
    {8, "Authentication: callback", "Ověřování: zpětné volání",
     "Autenticaçao: retorno de chamada"},
    {9, "Authentication: change password", "Ověřování: změna hesla",
     "Autenticaçao: alterando a senha"},
    {10, "Authentication: projecting", "Ověřování: projekce", "Autenticaçao: enviando"},
    {11, "Authentication: link speed", "Ověřování: rychlost linky",
     "Autenticaçao: velocidade da linha"},
    {12, "Authentication: acknowledge", "Ověřování: potvrzení", "Autenticaçao: enviando"},
    {13, "Authentication: reauthenticate", "Ověřování: nové ověření",
     "Autenticaçao: reautenticando"},
    {14, "Authenticated", "Ověřeno", "Autenticado"},
    {15, "Preparing for callback", "Příprava na zpětné volání",
     "Preparando o retorno de chamada"},
    {16, "Waiting for modem reset", "Čeká se na reset modemu",
     "Aguardando a reinicializaçao do modem"},
    {17, "Waiting for callback", "Čeká se na zpětné volání", "Aguardando o retorno de chamada"},
    {18, "Projected", "Projekce dokončena", "Projetado"},
    {19, "Start authentication", "Zahájení ověřování", "Início da autenticaçao"},
    {20, "Callback complete", "Zpětné volání dokončeno", "Retorno de chamada concluído"},
    {21, "Logging on network", "Přihlašování do sítě", "Entrando na rede"},
    {4096, "Interactive", "Interaktivní režim", "Interativo"},
    {4097, "Retry Authentication", "Opakovat ověřování", "Repetir a autenticaçao"},
    {4098, "Callback set by caller", "Zpětné volání nastaveno volajícím",
     "Retorno de chamada definido pelo chamador"},
    {4099, "Password expired", "Platnost hesla vypršela", "Senha expirada"},
    {8192, "Connected", "Připojeno", "Conectado"},
    {8193, "Disconnected", "Rozpojeno", "Desconectado"},
}};

}  // namespace

const char* StatusTextCodePage(TLanguage language) {
  switch (language) {
    case TLanguage::Czech:
      return "WINDOWS-1250";
    case TLanguage::Portuguese:
      return "WINDOWS-1252";
    default:
      return "ASCII";
  }
}

std::string DialStatusText(int state, int error, TLanguage language) {
  if (error != 0) return runtime::Translate(platform::DialErrorText(error));
  for (const auto& texts : kTexts) {
    if (texts.state != state) continue;
    switch (language) {
      case TLanguage::Czech:
        return platform::CodePage::Named(StatusTextCodePage(language)).FromUtf8(texts.czech);
      case TLanguage::Portuguese:
        return platform::CodePage::Named(StatusTextCodePage(language))
            .FromUtf8(texts.portuguese);
      default:
        return std::string(texts.english);
    }
  }
  return {};
}

}  // namespace kelbrin::lines
