#include "mkdemo/demo_data.h"

#include "mkdemo/demo_random.h"
#include "mkdemo/italian_places.h"

#include <QSet>
#include <QString>
#include <algorithm>
#include <map>
#include <numeric>
#include <stdexcept>

namespace {

constexpr std::uint64_t kSeed = 20240614;
constexpr int kMaxAgenciesPerTown = 100;
constexpr int kBigTowns = 40;  // the first towns of the list, where branches crowd

struct Bank {
    int abi = 0;
    QString name;
    int homeTown = 0;
};

// A check digit in the manner of the bank codes': digits weighted 1 and 3 in turn.
int CheckDigit(int code)
{
    int sum = 0;
    for (int weight = 1; code > 0; code /= 10, weight = 4 - weight)
        sum += (code % 10) * weight;
    return sum % 10;
}

QString Town(int index)
{
    return QString::fromUtf8(ItalianTowns()[static_cast<size_t>(index)].comune);
}

std::vector<int> AbiCodes(DemoRandom& random, int count)
{
    QSet<int> used;
    std::vector<int> codes;
    // From 1000 up only, like the real delivery: the update keeps the codes
    // below 1000 as the installation's own, so a source code there would be
    // inserted again by every later run.
    while (static_cast<int>(codes.size()) < count) {
        const int code = random.chance(25) ? random.between(8000, 8999) : random.between(1000, 36999);
        if (used.contains(code))
            continue;
        used.insert(code);
        codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

QString BankName(DemoRandom& random, int abi, int homeTown)
{
    const QString town = Town(homeTown);
    const QString surname = QString::fromUtf8(random.pick(ItalianSurnames()));
    const QString region = QString::fromUtf8(random.pick(ItalianRegionalNames()));
    if (abi >= 8000 && abi <= 8999) {
        switch (random.below(3)) {
            case 0: return QStringLiteral("Banca di Credito Cooperativo di ") + town;
            case 1: return QStringLiteral("Cassa Rurale ed Artigiana di ") + town;
            default: return QStringLiteral("Banca di Credito Cooperativo ") + region;
        }
    }
    switch (random.below(7)) {
        case 0: return QStringLiteral("Banca Popolare di ") + town;
        case 1: return QStringLiteral("Cassa di Risparmio di ") + town;
        case 2: return QStringLiteral("Banca ") + region;
        case 3: return QStringLiteral("Banca %1 & C. S.p.A.").arg(surname);
        case 4: return QStringLiteral("Banca Agricola di ") + town;
        case 5: return QStringLiteral("Banca del Monte di ") + town;
        default: return QStringLiteral("Istituto Bancario ") + surname;
    }
}

std::vector<Bank> Banks(DemoRandom& random, int count)
{
    QSet<QString> names;
    std::vector<Bank> banks;
    for (const int abi : AbiCodes(random, count)) {
        Bank bank;
        bank.abi = abi;
        // A name already taken sends the bank to another town.
        for (int attempt = 0; attempt < 20 && (bank.name.isEmpty() || names.contains(bank.name)); ++attempt) {
            bank.homeTown =
                random.chance(50) ? random.below(kBigTowns) : random.below(static_cast<int>(ItalianTowns().size()));
            bank.name = BankName(random, abi, bank.homeTown);
        }
        if (names.contains(bank.name))
            bank.name += QStringLiteral(" - Gruppo %1").arg(abi);
        names.insert(bank.name);
        banks.push_back(bank);
    }
    return banks;
}

// How many branches each bank has: at least one, then a few large banks and many small ones.
std::vector<int> BranchCounts(DemoRandom& random, int banks, int branches)
{
    std::vector<int> counts(static_cast<size_t>(banks), 0);
    int left = branches;
    for (int& count : counts) {
        if (left == 0)
            break;
        count = 1;
        --left;
    }
    std::vector<double> weights;
    for (int i = 0; i < banks; ++i) {
        const double f = random.fraction();
        weights.push_back(1.0 + 400.0 * f * f * f * f * f * f);
    }
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    const int share = left;
    for (int i = 0; i < banks; ++i) {
        const int extra = static_cast<int>(share * weights[static_cast<size_t>(i)] / total);
        counts[static_cast<size_t>(i)] += extra;
        left -= extra;
    }
    for (int i = 0; left > 0; i = (i + 1) % banks, --left)
        ++counts[static_cast<size_t>(i)];
    return counts;
}

// A town for the next branch: the bank's own province first, the large towns next.
int BranchTown(DemoRandom& random, const Bank& bank)
{
    const auto& towns = ItalianTowns();
    if (random.chance(50)) {
        std::vector<int> sameProvince;
        for (size_t t = 0; t < towns.size(); ++t) {
            if (qstrcmp(towns[t].provincia, towns[static_cast<size_t>(bank.homeTown)].provincia) == 0)
                sameProvince.push_back(static_cast<int>(t));
        }
        return random.pick(sameProvince);
    }
    return random.chance(60) ? random.below(kBigTowns) : random.below(static_cast<int>(towns.size()));
}

QString Locality(DemoRandom& random, const QString& comune)
{
    if (!random.chance(15))
        return comune;
    switch (random.below(6)) {
        case 0: return QStringLiteral("Marina di ") + comune;
        case 1: return comune + QStringLiteral(" Scalo");
        case 2: return QStringLiteral("Lido di ") + comune;
        case 3: return QStringLiteral("San Pietro");
        case 4: return QStringLiteral("Borgo Santa Maria");
        default: return QStringLiteral("Frazione Sant'Andrea");
    }
}

Variant Address(DemoRandom& random)
{
    if (random.chance(3))
        return {};
    QString address =
        QStringLiteral("%1, %2").arg(QString::fromUtf8(random.pick(ItalianStreets()))).arg(random.between(1, 250));
    if (random.chance(5))
        address += QStringLiteral("/A");
    return Variant(address);
}

QString PostalCode(DemoRandom& random, int centre)
{
    // A provincial capital's zones number on from its centre's code.
    const int code = centre % 1000 == 100 ? centre + random.below(100) : centre;
    return QStringLiteral("%1").arg(code, 5, 10, QLatin1Char('0'));
}

std::vector<std::vector<Variant>> Branches(DemoRandom& random, const Bank& bank, int count)
{
    std::vector<std::vector<Variant>> rows;
    std::map<int, int> agencies;  // town -> branches of the bank there so far
    const auto& towns = ItalianTowns();
    for (int b = 0; b < count; ++b) {
        int town = b == 0 ? bank.homeTown : BranchTown(random, bank);
        while (agencies[town] >= kMaxAgenciesPerTown)
            town = random.below(static_cast<int>(towns.size()));
        const int agency = agencies[town]++;
        const int cab = 1000 + town * kMaxAgenciesPerTown + agency;
        const QString comune = Town(town);
        const QString locality = Locality(random, comune);
        QString branchName;
        if (b == 0)
            branchName = QStringLiteral("Sede");
        else if (agency == 0)
            branchName = QStringLiteral("Filiale di ") + comune;
        else if (locality != comune)
            branchName = QStringLiteral("Agenzia %1 - %2").arg(agency).arg(locality);
        else
            branchName = QStringLiteral("Agenzia n. %1").arg(agency);
        const ItalianTown& place = towns[static_cast<size_t>(town)];
        rows.push_back({bank.abi, cab, bank.name, branchName, Address(random), PostalCode(random, place.cap), locality,
                        comune, QString::fromLatin1(place.provincia), CheckDigit(bank.abi),
                        static_cast<double>(CheckDigit(cab))});
    }
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a[1].integer() < b[1].integer(); });
    return rows;
}

}  // namespace

DemoData GenerateDemoData(DemoSize size)
{
    // Beyond these there are not enough ABI codes, or towns for a bank's branches.
    if (size.banks < 1 || size.banks > 30000 || size.branches < 0 || size.branches > size.banks * 10000)
        throw std::invalid_argument("GenerateDemoData: from 1 to 30000 banks and up to 10000 branches each");
    DemoRandom random(kSeed);
    DemoData data;
    const std::vector<Bank> banks = Banks(random, size.banks);
    const std::vector<int> counts = BranchCounts(random, size.banks, size.branches);
    for (size_t i = 0; i < banks.size(); ++i) {
        data.banks.push_back({banks[i].abi, banks[i].name, CheckDigit(banks[i].abi)});
        for (auto& row : Branches(random, banks[i], counts[i]))
            data.branches.push_back(std::move(row));
    }
    return data;
}
