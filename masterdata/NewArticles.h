#pragma once

namespace kestar {

class Engine;
class Table;

// Saving the new articles typed into pmagacin into magacin, without any widget.
namespace NewArticles {

// Copies every staged article whose code magacin does not hold yet into magacin and then
// empties the staging table, all in one transaction. Either table is opened when it is closed;
// a staged row still being typed is posted first (or dropped when nothing was typed into it).
//
// A staged code that magacin already holds, found by the nearest key and compared character
// for character, is skipped without a word; so is the second of two staged rows with one new
// code. A copied article takes SIFRA, GRUPAROBE, NAZIVGRUPE, NAZIV, JM, MINKOLICINA,
// CENANABAVNA, CENAPRODAJNA, DATUMULAZA, PROIZVOD and KOLICINA as text, MAGACIN1 = KOLICINA,
// MAGACIN2 to MAGACIN5 = "0"; RABAT, KOLICINAZANABAVKU and POCETNOSTANJE stay empty.
//
// On success both tables end closed and the number of articles copied is returned. On
// failure EngineError is raised and nothing has changed: magacin holds what it held, every
// staged row is still there, and both tables stay open. A staged row with an empty code
// fails with "Artikal u redu N nema sifru!!! Nista nije upamceno." (N counted from 1).
int save(Engine& engine, Table& staged, Table& items);

} // namespace NewArticles
} // namespace kestar
