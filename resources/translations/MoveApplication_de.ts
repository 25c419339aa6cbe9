<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>MoveApplication</name>
    <message>
        <source>Move to Applications folder in your Home folder?</source>
        <translation>In den Programme-Ordner Ihres persönlichen Ordners verschieben?</translation>
    </message>
    <message>
        <source>Move to Applications folder?</source>
        <translation>In den Programme-Ordner verschieben?</translation>
    </message>
    <message>
        <source>I can move myself to the Applications folder if you&apos;d like.</source>
        <translation>Ich kann mich auf Wunsch in den Programme-Ordner verschieben.</translation>
    </message>
    <message>
        <source>Note that this will require an administrator password.</source>
        <translation>Dafür ist ein Administratorpasswort nötig.</translation>
    </message>
    <message>
        <source>This will keep your Downloads folder uncluttered.</source>
        <translation>So bleibt Ihr Download-Ordner aufgeräumt.</translation>
    </message>
    <message>
        <source>Move to Applications Folder</source>
        <translation>In den Programme-Ordner verschieben</translation>
    </message>
    <message>
        <source>Do Not Move</source>
        <translation>Nicht verschieben</translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation>Diese Meldung nicht mehr anzeigen</translation>
    </message>
    <message>
        <source>Could not move to Applications folder</source>
        <translation>Verschieben in den Programme-Ordner nicht möglich</translation>
    </message>
</context>
</TS>
