<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Localizable</name>
    <message>
        <source>Crash Reporter: %@ (%@)</source>
        <translation>Absturzbericht: %@ (%@)</translation>
    </message>
    <message>
        <source>Crash Reporter: %@</source>
        <translation>Absturzbericht: %@</translation>
    </message>
    <message>
        <source>Please enter a description of the actions leading up to the crash.</source>
        <translation>Bitte beschreiben Sie, was Sie vor dem Absturz getan haben.</translation>
    </message>
    <message>
        <source>%@ quit unexpectedly the last time it was used. You can send the crash log to help fix the problem.</source>
        <translation>%@ wurde bei der letzten Verwendung unerwartet beendet. Sie können das Absturzprotokoll senden, um bei der Behebung des Problems zu helfen.</translation>
    </message>
    <message>
        <source>Comments:</source>
        <translation>Kommentare:</translation>
    </message>
    <message>
        <source>E-mail address:</source>
        <translation>E-Mail-Adresse:</translation>
    </message>
    <message>
        <source>Include my e-mail address</source>
        <translation>Meine E-Mail-Adresse mitsenden</translation>
    </message>
    <message>
        <source>Include anonymous system information</source>
        <translation>Anonyme Systeminformationen mitsenden</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignorieren</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>The crash report was successfully submitted.</source>
        <translation>Der Absturzbericht wurde erfolgreich gesendet.</translation>
    </message>
    <message>
        <source>Thank you for taking the time to help improve %@!</source>
        <translation>Vielen Dank, dass Sie sich die Zeit nehmen, %@ zu verbessern!</translation>
    </message>
    <message>
        <source>An error occurred while submitting the crash report.</source>
        <translation>Beim Senden des Absturzberichts ist ein Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>The error was: %@</source>
        <translation>Der Fehler war: %@</translation>
    </message>
    <message>
        <source>Unrecognized response from the server</source>
        <translation>Unbekannte Antwort vom Server</translation>
    </message>
    <message>
        <source>The crash log could not be read.</source>
        <translation>Das Absturzprotokoll konnte nicht gelesen werden.</translation>
    </message>
</context>
</TS>
