// Content every edition shares: invented names of games, programs, makers and
// models, and the programming languages of the courses. A game or program
// entry names its kind through a slot ("{g_racing}", "{t_word}") that each
// edition fills with its own word, so "Rally Chaos 2|{g_racing}" reads
// "racerspil" in Danish and "ajopeli" in Finnish.
//
// What must stay true: names are plain ASCII or Windows-1252 letters, and
// every kind slot named here exists in each edition's pools.
#include "tools/genpackets.h"

namespace genpackets {

const std::map<std::string, std::vector<std::string>>& CommonPools() {
  static const std::map<std::string, std::vector<std::string>> pools = {
      {"game",
       {"Rally Chaos 2|{g_racing}",
        "Frostbite Express|{g_racing}",
        "Asphalt Kings 2|{g_racing}",
        "Turbo Trolls|{g_racing}",
        "Stormwatch|{g_strategy}",
        "Empire of Ice|{g_strategy}",
        "Viking Realms|{g_strategy}",
        "Colony 3000|{g_strategy}",
        "Shadow Hunter|{g_action}",
        "Project Nova|{g_action}",
        "Steel Falcon|{g_action}",
        "Castle of Darkness|{g_adventure}",
        "The Lighthouse Riddle|{g_adventure}",
        "Captain Crumble|{g_adventure}",
        "Football Boss 3|{g_sport}",
        "Slalom Master|{g_sport}",
        "Ice Hockey Stars|{g_sport}",
        "Sky Pilot|{g_flight}",
        "North Sea Flyer|{g_flight}",
        "Cubix|{g_puzzle}",
        "Bubble Castle|{g_puzzle}",
        "Runesmith|{g_rpg}",
        "Valley of Dragons|{g_rpg}",
        "Magic Forest|{g_kids}",
        "Robo Rascal|{g_kids}",
        "Galaxy Golf|{g_sport}",
        "Tunnel Rat|{g_action}",
        "Harbour Secrets|{g_adventure}"}},
      {"app",
       {"Skrivo 4|{t_word}",          "TextPro 5|{t_word}",        "FotoFix Pro|{t_photo}",
        "PixelMaster 3|{t_photo}",    "SoundWorks 2|{t_music}",    "MidiMaestro|{t_music}",
        "WebSmith 5|{t_web}",         "PageBuilder Light|{t_web}", "MoneyBox 7|{t_money}",
        "Budget Plus|{t_money}",      "FilmCut 2|{t_video}",       "VideoForge|{t_video}",
        "VirusGuard 6|{t_antivirus}", "Shield Plus|{t_antivirus}", "Office Trio 3|{t_office}",
        "SafeCopy 4|{t_backup}",      "Modeller 3D|{t_3d}",        "PostMan 2|{t_mail}",
        "Kinship 5|{t_family}",       "TypeTutor|{t_learning}",    "DrawBoard|{t_draw}",
        "MapPlan Pro|{t_map}"}},
      {"util",
       {"DiskClean 2.1", "ZipFolder 3", "ScreenGrab 1.4", "StartMenu Pro", "FontViewer",
        "TimeClock 2.0", "FileFinder 5", "RegClean", "ScreenSaver Pack", "IconPainter 1.2",
        "Batch Renamer", "CD Catalog 3", "PrintQueue Plus", "NetMeter 1.1"}},
      {"brand",
       {"Norvik", "Kaito", "Helion", "Vestra", "Polaris", "Tekna", "Brandt", "Sakura", "Lumina",
        "Orion", "Nordtek", "Zenvo", "Alfa Data", "Kyber"}},
      {"model",
       {"Pro 300", "XL 2", "S-40", "Optima", "Ultra 8", "Compact 5", "Studio 2000", "Max 64",
        "Plus", "Elite", "Mini 3", "Turbo 1200", "Office 5", "Home 10"}},
      {"studio",
       {"Polar Games", "Bitwise Interactive", "Fjord Software", "Nordlys Studio", "Trolltech Spil",
        "Blue Moose", "Hammerhead", "Aurora Interactive", "Krummi Games", "Vinland Soft"}},
      {"lang",
       {"Pascal", "C", "C++", "Java", "Basic", "HTML", "JavaScript", "Perl", "PHP", "Python"}},
  };
  return pools;
}

}  // namespace genpackets
