#pragma once
// Base descriptions ("USES"): their names from "_VERSIONINFO", their jobs
// behind one separator each in the job list, and their files.
#include "catalogue/CatalogueHost.h"
#include "catalogue/JobCatalogue.h"

namespace kitbox {

class VedamisApi;

class UsesExtension {
public:
    // Upper bound on USESn results read, against a runtime that never stops answering.
    static constexpr int maxBases = 1000;

    UsesExtension(VedamisApi &api, CatalogueHost &host) : m_api(api), m_host(host) {}

    // Fills catalogue.baseNames from USES0, USES1, ... of description's
    // "_VERSIONINFO"; returns their number minus 1.
    int readBaseNames(JobCatalogue &catalogue, const QString &description);
    // Appends the separator and the jobs of base k that the list does not
    // have yet. loadedName is the loaded description, whose version data the
    // runtime is left with after a failure.
    void appendBaseJobs(JobCatalogue &catalogue, int k, const QString &loadedName);

    // EcuPath + "/" + upper-cased name + ".PRG" (found ignoring case), or " "
    // for an index beyond the list.
    static QString baseFile(const JobCatalogue &catalogue, const QString &ecuPath, int k);
    // The upper-cased name, or " " for an index beyond the list.
    static QString baseName(const JobCatalogue &catalogue, int k);

private:
    VedamisApi &m_api;
    CatalogueHost &m_host;
};

} // namespace kitbox
