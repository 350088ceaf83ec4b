#pragma once

namespace kestar {

class GroupedNotePage;
class Navigator;
class ReportPreviewer;
class Workplace;

// Creates the stock list page (page 11) and the grouped delivery note page (page 25) with
// their navigation (the list of articles below their minimum among it) and the log-out step
// that disables the note's print buttons. The navigator owns both pages; the note page is
// returned so that the machine chooser can be wired to it.
GroupedNotePage* installListings(Workplace& workplace, Navigator& navigator,
                                 ReportPreviewer& previewer);

} // namespace kestar
