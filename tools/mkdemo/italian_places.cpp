#include "mkdemo/italian_places.h"

const std::vector<ItalianTown>& ItalianTowns()
{
    static const std::vector<ItalianTown> towns{
        {"Roma", "RM", 100},           {"Milano", "MI", 20100},        {"Napoli", "NA", 80100},
        {"Torino", "TO", 10100},       {"Palermo", "PA", 90100},       {"Genova", "GE", 16100},
        {"Bologna", "BO", 40100},      {"Firenze", "FI", 50100},       {"Bari", "BA", 70100},
        {"Catania", "CT", 95100},      {"Venezia", "VE", 30100},       {"Verona", "VR", 37100},
        {"Messina", "ME", 98100},      {"Padova", "PD", 35100},        {"Trieste", "TS", 34100},
        {"Brescia", "BS", 25100},      {"Taranto", "TA", 74100},       {"Prato", "PO", 59100},
        {"Parma", "PR", 43100},        {"Modena", "MO", 41100},        {"Reggio di Calabria", "RC", 89100},
        {"Reggio nell'Emilia", "RE", 42100}, {"Perugia", "PG", 6100},  {"Livorno", "LI", 57100},
        {"Ravenna", "RA", 48100},      {"Cagliari", "CA", 9100},       {"Foggia", "FG", 71100},
        {"Rimini", "RN", 47900},       {"Salerno", "SA", 84100},       {"Ferrara", "FE", 44100},
        {"Sassari", "SS", 7100},       {"Latina", "LT", 4100},         {"Monza", "MB", 20900},
        {"Siracusa", "SR", 96100},     {"Pescara", "PE", 65100},       {"Bergamo", "BG", 24100},
        {"Forlì", "FC", 47100},        {"Trento", "TN", 38100},        {"Vicenza", "VI", 36100},
        {"Terni", "TR", 5100},         {"Bolzano", "BZ", 39100},       {"Novara", "NO", 28100},
        {"Piacenza", "PC", 29100},     {"Ancona", "AN", 60100},        {"Arezzo", "AR", 52100},
        {"Udine", "UD", 33100},        {"Lecce", "LE", 73100},         {"Pesaro", "PU", 61100},
        {"La Spezia", "SP", 19100},    {"Alessandria", "AL", 15100},   {"Catanzaro", "CZ", 88100},
        {"Pisa", "PI", 56100},         {"Pistoia", "PT", 51100},       {"Lucca", "LU", 55100},
        {"Como", "CO", 22100},         {"Brindisi", "BR", 72100},      {"Treviso", "TV", 31100},
        {"Varese", "VA", 21100},       {"Grosseto", "GR", 58100},      {"Asti", "AT", 14100},
        {"Caserta", "CE", 81100},      {"Ragusa", "RG", 97100},        {"Cosenza", "CS", 87100},
        {"Savona", "SV", 17100},       {"Matera", "MT", 75100},        {"Potenza", "PZ", 85100},
        {"L'Aquila", "AQ", 67100},     {"Campobasso", "CB", 86100},    {"Aosta", "AO", 11100},
        {"Cuneo", "CN", 12100},        {"Vercelli", "VC", 13100},      {"Cremona", "CR", 26100},
        {"Mantova", "MN", 46100},      {"Pavia", "PV", 27100},         {"Sondrio", "SO", 23100},
        {"Belluno", "BL", 32100},      {"Rovigo", "RO", 45100},        {"Imperia", "IM", 18100},
        {"Massa", "MS", 54100},        {"Siena", "SI", 53100},         {"Macerata", "MC", 62100},
        {"Ascoli Piceno", "AP", 63100}, {"Teramo", "TE", 64100},       {"Chieti", "CH", 66100},
        {"Rieti", "RI", 2100},         {"Viterbo", "VT", 1100},        {"Frosinone", "FR", 3100},
        {"Benevento", "BN", 82100},    {"Avellino", "AV", 83100},      {"Trapani", "TP", 91100},
        {"Agrigento", "AG", 92100},    {"Caltanissetta", "CL", 93100}, {"Enna", "EN", 94100},
        {"Nuoro", "NU", 8100},         {"Biella", "BI", 13900},        {"Lodi", "LO", 26900},
        {"Lecco", "LC", 23900},        {"Fermo", "FM", 63900},         {"Crotone", "KR", 88900},
        {"Vibo Valentia", "VV", 89900}, {"Oristano", "OR", 9170},      {"Pordenone", "PN", 33170},
        {"Gorizia", "GO", 34170},      {"Isernia", "IS", 86170},       {"Verbania", "VB", 28921},
        {"Cesena", "FC", 47521},       {"Andria", "BT", 76123},        {"Barletta", "BT", 76121},
        {"Sant'Agata di Militello", "ME", 98076}, {"San Donà di Piave", "VE", 30027},
        {"Cantù", "CO", 22063},        {"Canicattì", "AG", 92024},     {"Paternò", "CT", 95047},
        {"Cefalù", "PA", 90015},       {"Gioia del Colle", "BA", 70023}, {"Sant'Antioco", "SU", 9017},
        {"Città di Castello", "PG", 6012}, {"Nardò", "LE", 73048},     {"Sciacca", "AG", 92019},
        {"Aci Sant'Antonio", "CT", 95025}, {"Portogruaro", "VE", 30026}, {"Vigevano", "PV", 27029},
        {"Legnano", "MI", 20025},      {"Sesto San Giovanni", "MI", 20099}, {"Busto Arsizio", "VA", 21052},
        {"Gallarate", "VA", 21013},    {"Carpi", "MO", 41012},         {"Sassuolo", "MO", 41049},
        {"Imola", "BO", 40026},        {"Faenza", "RA", 48018},        {"Lugo", "RA", 48022},
        {"Bassano del Grappa", "VI", 36061}, {"Schio", "VI", 36015},   {"Castelfranco Veneto", "TV", 31033},
        {"Conegliano", "TV", 31015},   {"Chioggia", "VE", 30015},      {"Empoli", "FI", 50053},
        {"Viareggio", "LU", 55049},    {"Pontedera", "PI", 56025},     {"Poggibonsi", "SI", 53036},
        {"Foligno", "PG", 6034},       {"Spoleto", "PG", 6049},        {"Civitavecchia", "RM", 53},
        {"Tivoli", "RM", 19},          {"Velletri", "RM", 49},         {"Pozzuoli", "NA", 80078},
        {"Torre del Greco", "NA", 80059}, {"Castellammare di Stabia", "NA", 80053},
        {"Nocera Inferiore", "SA", 84014}, {"Battipaglia", "SA", 84091}, {"Altamura", "BA", 70022},
        {"Molfetta", "BA", 70056},     {"Cerignola", "FG", 71042},     {"Manfredonia", "FG", 71043},
        {"Lamezia Terme", "CZ", 88046}, {"Gela", "CL", 93012},         {"Marsala", "TP", 91025},
        {"Bagheria", "PA", 90011},     {"Acireale", "CT", 95024},      {"Vittoria", "RG", 97019},
        {"Alghero", "SS", 7041},       {"Olbia", "SS", 7026},          {"Quartu Sant'Elena", "CA", 9045},
        {"Iglesias", "SU", 9016},      {"Merano", "BZ", 39012},        {"Rovereto", "TN", 38068},
        {"Sanremo", "IM", 18038},      {"Chiavari", "GE", 16043},      {"Ivrea", "TO", 10015},
        {"Pinerolo", "TO", 10064},     {"Alba", "CN", 12051},          {"Casale Monferrato", "AL", 15033},
        {"Crema", "CR", 26013},        {"Desenzano del Garda", "BS", 25015}, {"Saronno", "VA", 21047},
        {"Senigallia", "AN", 60019},   {"Jesi", "AN", 60035},          {"Fano", "PU", 61032},
        {"Sulmona", "AQ", 67039},      {"Avezzano", "AQ", 67051},      {"Termoli", "CB", 86039},
        {"Ercolano", "NA", 80056},     {"Aversa", "CE", 81031},        {"Martina Franca", "TA", 74015},
        {"Monopoli", "BA", 70043},     {"Gallipoli", "LE", 73014},     {"Corigliano Calabro", "CS", 87064},
        {"Caltagirone", "CT", 95041},  {"Modica", "RG", 97015},        {"Mazara del Vallo", "TP", 91026},
        {"Licata", "AG", 92027},       {"Tempio Pausania", "SS", 7029}, {"Carbonia", "SU", 9013}};
    return towns;
}

const std::vector<const char*>& ItalianStreets()
{
    static const std::vector<const char*> streets{
        "Via Roma", "Via Garibaldi", "Corso Italia", "Via Mazzini", "Piazza Cavour", "Via Dante Alighieri",
        "Via XX Settembre", "Corso Vittorio Emanuele II", "Viale della Repubblica", "Via dell'Indipendenza",
        "Piazza del Popolo", "Via San Francesco d'Assisi", "Via Nazionale", "Via Alessandro Manzoni",
        "Via Giuseppe Verdi", "Via Guglielmo Marconi", "Via Giacomo Matteotti", "Via Antonio Gramsci",
        "Via Cesare Battisti", "Piazza Garibaldi", "Corso Umberto I", "Via Vittorio Veneto", "Via IV Novembre",
        "Via della Libertà", "Piazza Duomo", "Via Nino Bixio", "Via Giosuè Carducci", "Via Giacomo Leopardi",
        "Via Giovanni Pascoli", "Viale Europa", "Via dei Mille", "Via Camillo Benso di Cavour", "Largo Augusto",
        "Via Torino", "Via Milano", "Via Napoli", "Via Emilia", "Via Aurelia", "Lungomare Cristoforo Colombo",
        "Piazza Martiri della Libertà", "Via Sant'Antonio", "Via dell'Artigianato", "Viale Papa Giovanni XXIII",
        "Via Piave", "Via Trento e Trieste", "Piazza della Vittoria", "Via Luigi Einaudi", "Via Aldo Moro",
        "Corso Giuseppe Mazzini", "Via del Commercio", "Piazza San Marco", "Via De Gasperi", "Via Santa Lucia"};
    return streets;
}

const std::vector<const char*>& ItalianSurnames()
{
    static const std::vector<const char*> surnames{
        "Rossi", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo", "Ricci", "Marino", "Greco", "Bruno",
        "Gallo", "Conti", "De Luca", "Mancini", "Costa", "Giordano", "Rizzo", "Lombardi", "Moretti", "Barbieri",
        "Fontana", "Santoro", "Mariani", "Rinaldi", "Caruso", "Ferrara", "Galli", "Martini", "Leone", "Longo",
        "Gentile", "Martinelli", "Vitale", "Serra", "Coppola", "De Santis", "D'Angelo", "Marchetti", "Parisi",
        "Villa", "Conte", "Ferraro", "Fabbri", "Bianco", "Marini", "Grasso", "Valentini", "Sala", "De Angelis",
        "Gatti", "Pellegrini", "Palumbo", "Sanna", "Farina", "Monti", "Cattaneo", "Morelli", "Amato",
        "Silvestri", "Mazza", "Testa", "Carbone", "Giuliani", "Benedetti", "Barone", "Caputo", "Montanari",
        "Guerra", "Palmieri", "Bernardi", "Fiore", "De Rosa", "Ferretti", "Bellini", "Basile", "Riva", "Donati",
        "Piras", "Sartori", "Neri", "Milani", "Pagano", "Ruggiero", "Sorrentino", "D'Amico", "Orlando", "Negri",
        "Zanetti", "Brambilla", "Cocco", "Lo Russo", "Dell'Acqua", "Sant'Elia", "Nicolò", "Fumagalli"};
    return surnames;
}

const std::vector<const char*>& ItalianRegionalNames()
{
    static const std::vector<const char*> names{
        "Adriatica", "Tirrenica", "Lombarda", "dell'Emilia", "del Salento", "della Marca", "del Piemonte",
        "dell'Alto Adige", "Veneta", "Toscana", "del Mezzogiorno", "Sarda", "Siciliana", "Ligure", "Friulana",
        "dell'Umbria", "Campana", "Pugliese", "Calabrese", "della Tuscia", "del Monte Amiata", "della Valtellina",
        "del Cilento", "Lucana", "Abruzzese", "Molisana", "della Brianza", "del Canavese", "Irpina", "Etrusca"};
    return names;
}
