// Changes made by the pages themselves, for the DevTools benchmark: every tab
// changed at once (so that its next check has to ask it again), and the cost
// of a page that mutates a lot with and without our observers in it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "browser/browser_port.h"
#include "browser/cdp/cdp_connection.h"
#include "browser/cdp/cdp_page.h"

namespace qm::bench {

// One evaluation in each page's own world, all sent at once; waits until
// every answer is in (false: one failed or timeoutMs passed).
bool EvaluateInEveryPage(cdp::CdpConnection& connection,
                         const std::vector<std::shared_ptr<cdp::CdpPage>>& pages,
                         const std::string& expression, int timeoutMs);

// A script of each page's own world changes its document (one attribute);
// waits until every page has reported the change, that is until none keeps
// an answer. False when one did not within timeoutMs.
bool ChangeEveryPage(cdp::CdpConnection& connection,
                     const std::vector<std::shared_ptr<cdp::CdpPage>>& pages, int timeoutMs);

// A small page with a frame of the same origin (frame.html) in which our
// world never runs.
std::string MutatingPage();
std::string MutatingFrame();

// Milliseconds a script of the page's own world takes for count appendChild
// into the document (or into its frame's document), the mutation observers'
// callbacks included. False when the evaluation failed.
bool AppendCost(cdp::CdpConnection& connection, const std::string& session, bool inFrame,
                int count, double& ms);

// The fastest of 5 rounds of: a check of the page (which arms its change
// observer), 10,000 appendChild with the observer armed, again with it
// disarmed (its report came), and in the page's frame, where no world of
// ours runs. The page is the one a tracker completed on.
bool MutationCost(cdp::CdpConnection& connection, const std::shared_ptr<cdp::CdpPage>& page,
                  Document& document, double& armed, double& disarmed, double& none,
                  std::string& error);

}  // namespace qm::bench
