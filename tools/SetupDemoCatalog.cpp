#include "tools/SetupDemoCatalog.h"

namespace kestar::SetupDemoCatalog {

namespace {

struct ArticleRow
{
    const char* code;
    const char* name;
    const char* unit;
    double stock;
    double minimum;
    double purchasePrice;
    double salePrice;
    bool product;
};

DemoLine line(const char* article, double quantity)
{
    return {QString::fromLatin1(article), quantity};
}

} // namespace

QStringList companyLines()
{
    return {QStringLiteral("Radionica Primer d.o.o."),
            QStringLiteral("Bulevar zanatlija 7"),
            QStringLiteral("Kragujevac"),
            QStringLiteral("034/555-0170"),
            QStringLiteral("101010101"),
            QStringLiteral("07070707"),
            QStringLiteral("000-0000000000000-00"),
            QStringLiteral("Primer banka a.d."),
            QStringLiteral("034/555-0171"),
            QStringLiteral("064/555-0172"),
            QStringLiteral("magacin@radionica-primer.example"),
            QStringLiteral("www.radionica-primer.example"),
            QStringLiteral("Marko Primerovic")};
}

QList<DemoGroup> groups()
{
    return {{QStringLiteral("VIJ"), QStringLiteral("Vijci")},
            {QStringLiteral("LEZ"), QStringLiteral("Lezajevi")},
            {QStringLiteral("ALT"), QStringLiteral("Alat")},
            {QStringLiteral("ELE"), QStringLiteral("Elektro")},
            {QStringLiteral("HID"), QStringLiteral("Hidraulika")},
            {QStringLiteral("ZOP"), QStringLiteral("Zastitna oprema")}};
}

QList<DemoArticle> articles()
{
    // A few articles lie below their minimum once the documents are posted (LEZ007, ALT009,
    // HID005, ZOP006), so that the list of articles to order has lines.
    static const ArticleRow rows[] = {
        {"VIJ001", "Vijak M6x20 DIN 933 8.8", "kom", 500, 100, 4.2, 6.5, false},
        {"VIJ002", "Vijak M8x30 DIN 933 8.8", "kom", 400, 100, 7.8, 11, false},
        {"VIJ003", "Vijak M10x40 DIN 933 8.8", "kom", 250, 50, 14.5, 21, false},
        {"VIJ004", "Vijak M12x50 DIN 931 10.9", "kom", 120, 40, 31, 45, false},
        {"VIJ005", "Imbus vijak M6x16 DIN 912", "kom", 300, 50, 5.1, 7.9, false},
        {"VIJ006", "Imbus vijak M8x25 DIN 912", "kom", 200, 50, 9.4, 14, false},
        {"VIJ007", "Navrtka M8 DIN 934", "kom", 800, 200, 1.9, 3, false},
        {"VIJ008", "Navrtka M10 DIN 934", "kom", 600, 150, 2.8, 4.2, false},
        {"VIJ009", "Podloska M8 DIN 125", "kom", 1000, 200, 0.6, 1, false},
        {"VIJ010", "Samourezni vijak 4.2x19", "kut", 12, 3, 380, 520, false},
        {"LEZ001", "Lezaj 6204 2RS", "kom", 24, 6, 310, 450, false},
        {"LEZ002", "Lezaj 6205 2RS", "kom", 20, 6, 360, 520, false},
        {"LEZ003", "Lezaj 6206 ZZ", "kom", 16, 4, 430, 610, false},
        {"LEZ004", "Lezaj 6305 2RS", "kom", 10, 4, 590, 840, false},
        {"LEZ005", "Konicni lezaj 30206", "kom", 8, 2, 980, 1390, false},
        {"LEZ006", "Iglicasti lezaj NK 25/20", "kom", 12, 4, 520, 740, false},
        {"LEZ007", "Kucisni lezaj UCP 205", "kom", 1, 2, 1450, 2050, false},
        {"LEZ008", "Simering 35x52x7", "kom", 30, 10, 95, 140, false},
        {"ALT001", "Burgija HSS 6 mm", "kom", 40, 10, 120, 180, false},
        {"ALT002", "Burgija HSS 8 mm", "kom", 35, 10, 165, 240, false},
        {"ALT003", "Burgija HSS 10 mm", "kom", 25, 8, 230, 330, false},
        {"ALT004", "Rezna ploca 125x1.0", "kom", 100, 25, 85, 130, false},
        {"ALT005", "Brusna ploca 125x6.0", "kom", 50, 10, 160, 235, false},
        {"ALT006", "Set imbus kljuceva 1.5-10", "set", 6, 2, 890, 1290, false},
        {"ALT007", "Vilicasti kljuc 13", "kom", 10, 3, 310, 450, false},
        {"ALT008", "Urezni komplet M8", "set", 5, 2, 1250, 1790, false},
        {"ALT009", "Pomicno merilo 150 mm", "kom", 0, 1, 2100, 2990, false},
        {"ELE001", "Kabl PP-Y 3x1.5", "m", 300, 50, 78, 115, false},
        {"ELE002", "Kabl PP-Y 5x2.5", "m", 150, 30, 205, 295, false},
        {"ELE003", "Automatski osigurac B16", "kom", 30, 10, 260, 380, false},
        {"ELE004", "Kontaktor 9A 230V", "kom", 8, 2, 1850, 2600, false},
        {"ELE005", "Termicka zastita 4-6A", "kom", 6, 2, 2200, 3100, false},
        {"ELE006", "Kablovska papucica 6 mm2", "kom", 400, 100, 9.5, 15, false},
        {"ELE007", "Izolir traka crna", "kom", 60, 20, 65, 99, false},
        {"ELE008", "LED reflektor 50W", "kom", 10, 2, 1900, 2750, false},
        {"ELE009", "Grebenasti prekidac 0-1 25A", "kom", 5, 2, 1350, 1950, false},
        {"HID001", "Hidraulicno ulje HM 46", "l", 200, 40, 310, 430, false},
        {"HID002", "Hidraulicno crevo DN12", "m", 20, 5, 1150, 1650, false},
        {"HID003", "O-prsten 20x2.5 NBR", "kom", 150, 50, 12, 19, false},
        {"HID004", "Povratni filter ulja 10 mikrona", "kom", 8, 2, 2400, 3350, false},
        {"HID005", "Brza spojnica 1/2", "kom", 4, 4, 980, 1400, false},
        {"HID006", "Manometar 0-250 bar", "kom", 4, 1, 1750, 2490, false},
        {"HID007", "Hidraulicni cilindar 50/30-200", "kom", 2, 1, 18500, 25900, true},
        {"HID008", "Razvodnik 4/3 NG6 24V", "kom", 3, 1, 14200, 19800, true},
        {"ZOP001", "Radne rukavice kozne", "par", 60, 20, 240, 350, false},
        {"ZOP002", "Nitrilne rukavice", "pak", 20, 5, 790, 1150, false},
        {"ZOP003", "Zastitne naocare providne", "kom", 25, 10, 260, 390, false},
        {"ZOP004", "Antifoni", "kom", 10, 3, 890, 1290, false},
        {"ZOP005", "Zastitna kaciga bela", "kom", 12, 4, 720, 1050, false},
        {"ZOP006", "Radne cipele S3 br. 43", "par", 1, 2, 4900, 6900, false},
        {"ZOP007", "Reflektujuci prsluk", "kom", 20, 5, 310, 450, false},
        {"ZOP008", "Maska FFP2", "kom", 100, 30, 95, 140, false},
    };
    QList<DemoArticle> list;
    int index = 0;
    for (const ArticleRow& row : rows) {
        DemoArticle article;
        article.code = QString::fromLatin1(row.code);
        article.name = QString::fromLatin1(row.name);
        article.group = article.code.left(3);
        article.unit = QString::fromLatin1(row.unit);
        article.stock = row.stock;
        article.minimum = row.minimum;
        article.toOrder = 2 * row.minimum;
        article.purchasePrice = row.purchasePrice;
        article.salePrice = row.salePrice;
        article.product = row.product;
        // Entered over a few weeks, a while before the first document.
        article.enteredDaysAgo = 75 - (index++ % 6) * 7;
        list.append(article);
    }
    return list;
}

QList<DemoMachine> machines()
{
    return {
        {QStringLiteral("M01"), QStringLiteral("S-01"), QStringLiteral("Strug CNC")},
        {QStringLiteral("M02"), QStringLiteral("G-02"), QStringLiteral("Glodalica vertikalna")},
        {QStringLiteral("M03"), QStringLiteral("P-03"), QStringLiteral("Hidraulicna presa 100 t")}};
}

QList<DemoUser> workers()
{
    return {{QStringLiteral("Magacioner"), QStringLiteral("111")}};
}

QList<DemoDocument> documents()
{
    const QString admin = QStringLiteral("Administrator");
    const QString worker = QStringLiteral("Magacioner");
    using K = DemoKind;
    return {
        {K::Receipt,
         1,
         28,
         admin,
         QStringLiteral("Nabavka vijcane robe"),
         QStringLiteral("Dobavljac: Primer Metal"),
         -1,
         {line("VIJ001", 200), line("VIJ002", 150), line("VIJ007", 300), line("VIJ009", 500)}},
        {K::Issue,
         1,
         25,
         worker,
         QStringLiteral("Redovno odrzavanje"),
         QString(),
         0,
         {line("LEZ001", 2), line("VIJ005", 8), line("ZOP001", 2)}},
        {K::Issue,
         2,
         21,
         worker,
         QStringLiteral("Zamena lezajeva vretena"),
         QStringLiteral("Radni nalog 14"),
         1,
         {line("LEZ002", 2), line("LEZ008", 2), line("ALT004", 5)}},
        {K::Receipt,
         2,
         18,
         admin,
         QStringLiteral("Nabavka zastitne opreme"),
         QString(),
         -1,
         {line("ZOP001", 40), line("ZOP003", 20), line("ZOP008", 100)}},
        {K::Issue,
         3,
         14,
         admin,
         QStringLiteral("Servis hidraulike"),
         QStringLiteral("Curenje na cilindru"),
         2,
         {line("HID001", 20), line("HID003", 6), line("HID005", 1)}},
        {K::Issue,
         4,
         10,
         worker,
         QStringLiteral("Izrada nosaca"),
         QString(),
         0,
         {line("ALT001", 3), line("ALT002", 2), line("ELE007", 4), line("VIJ003", 12)}},
        {K::Receipt,
         3,
         6,
         admin,
         QStringLiteral("Nabavka kablova i lezajeva"),
         QStringLiteral("Dobavljac: Primer Elektro"),
         -1,
         {line("ELE001", 200), line("ELE006", 200), line("LEZ001", 10)}},
        {K::Issue,
         5,
         3,
         worker,
         QStringLiteral("Elektro radovi na glodalici"),
         QString(),
         1,
         {line("ELE001", 35.5), line("ELE003", 2), line("ELE006", 24), line("ZOP002", 1)}},
        {K::Issue,
         6,
         1,
         worker,
         QStringLiteral("Redovno odrzavanje"),
         QStringLiteral("Dopuna ulja"),
         0,
         {line("VIJ001", 40), line("VIJ007", 40), line("VIJ009", 40), line("HID001", 5.5)}},
    };
}

} // namespace kestar::SetupDemoCatalog
