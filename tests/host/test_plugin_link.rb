require 'minitest/autorun'
require 'plugin_host'

# Starting, watching and stopping the TwinLink: the checks before a start, the shared section it
# creates (read from another process, as Korvan reads it), the heartbeat that ends the link when
# Korvan ends it or the model moves, and the host events that stop it. The status bar of a start
# is test_scene_load's.
class TestPluginLink < Minitest::Test
  include PluginHost::FreshModel

  def test_an_unsaved_model_asks_to_be_saved_and_touches_nothing_else
    start
    assert_equal [{ kind: 'messagebox', caption: 'Korvan TwinLink - Save project first',
                    text: 'Please save your project before starting Korvan TwinLink.', flags: 64,
                    resource_id: 0, controls: {}, icon: 'plug-in' }],
                 HostSim::Desktop.messages
    assert_empty HostSim.status_history
    refute PluginHost.linked?
    assert_empty HostSim.timer_ids
  end

  # With the check on and no Korvan on this machine, the start asks whether the user wants to
  # learn about Korvan, opens the maker's page with the campaign query on Yes, and stops either way.
  def test_without_any_korvan_the_start_offers_the_makers_page_and_stops
    PluginHost.write_dword('SkipKorvanCheck', 0)
    record_web_links
    @model.save(@path)
    HostSim::Desktop.answer(IDNO, IDYES)
    2.times { start }
    question = { kind: 'messagebox', caption: 'Korvan TwinLink - Newer Korvan version required',
                 text: "You need to have Korvan® 8.3 or newer to start TwinLink.\nAre you interested in learning " \
                       'more about the current version of Korvan?', flags: 36, resource_id: 0, controls: {},
                 icon: 'plug-in' }
    assert_equal [question, question], HostSim::Desktop.messages
    refute PluginHost.linked?
    assert_empty PluginHost.live_links
    assert_equal ["https://www.korvan-render.com#{campaign_query}"], opened_links(1)
  end

  def test_the_section_has_two_slots_per_material_but_at_least_5000_and_the_models_guid
    10.times { |i| @model.materials.add("Paint #{i}") }
    start_saved
    header = PluginHost.header(@path)
    assert_equal 5000, header['slotCount']
    assert_equal @model.guid.upcase, header['modelGuid']
    refute_equal @model.guid, header['modelGuid'], 'the test needs a guid with lower-case letters'
    PluginHost.command('Stop TwinLink').invoke

    2990.times { |i| @model.materials.add("Stain #{i}") }
    start
    assert_equal 6000, PluginHost.header(@path)['slotCount']
  end

  # A host whose Ruby simply ends, with no onQuit, while the worker may still be sending a large
  # model: the process ends normally and nothing of the link is left behind.
  def test_a_host_that_ends_without_quitting_lets_the_link_go
    result = PluginHost.run_host(<<~RUBY)
      load #{PluginHost::LOADER.dump}
      HostSim.open_city(3, 100_000).save(#{@path.dump})
      start = HostSim.menu_item('Extensions', 'Korvan TwinLink', 'Start TwinLink').command
      start.invoke
      report(linked: !start.enabled?)
    RUBY
    assert_equal({ 'linked' => true }, result)
    assert_empty PluginHost.directory
    assert_empty PluginHost.section_files
  end

  def test_a_file_that_another_sketchup_links_is_refused_naming_only_the_file
    start_saved
    result = PluginHost.run_host(<<~RUBY)
      load #{PluginHost::LOADER.dump}
      Sketchup.active_model.save(#{@path.dump})
      HostSim.clear_status_history
      start = HostSim.menu_item('Extensions', 'Korvan TwinLink', 'Start TwinLink').command
      start.invoke
      report(messages: HostSim::Desktop.messages, status: HostSim.status_history, linked: !start.enabled?,
             timers: HostSim.timer_ids)
    RUBY
    assert_equal [PluginHost::FILE_ALREADY_OPEN.transform_keys(&:to_s)], result['messages']
    assert_equal PluginHost::REFUSED_STATUS, result['status']
    assert_equal false, result['linked']
    assert_empty result['timers']

    assert PluginHost.linked?, 'the first link goes on'
    assert_equal Process.pid, PluginHost.header(@path)['creatorProcessId']
  end

  def test_a_plain_save_keeps_the_link_and_sends_the_new_guid_and_another_path_stops_it
    start_saved
    old_guid = @model.guid
    @model.save(@path)
    refute_equal old_guid, @model.guid
    HostSim.pump(0.25)
    assert PluginHost.linked?
    assert_equal @model.guid.upcase, PluginHost.header(@path)['modelGuid']

    @model.save(File.join(@base, 'Copy of House.skp'))
    assert PluginHost.linked?, 'nothing happens before the heartbeat'
    HostSim.pump(0.25)
    refute PluginHost.linked?
    assert_empty HostSim.timer_ids
  end

  def test_the_heartbeat_stops_the_link_that_korvan_ended_and_removes_its_entry
    start_saved
    PluginHost.wait_until_published(@path)
    HostSim.pump(0.5)
    assert PluginHost.linked?, 'a ready link survives heartbeats'
    assert_equal({ 'link' => @path, 'ended' => true }, PluginHost.end_link(@path))
    assert PluginHost.linked?, 'nothing happens before the heartbeat'
    HostSim.pump(0.25)
    refute PluginHost.linked?
    assert_empty HostSim.timer_ids
    assert_empty HostSim::Desktop.messages, 'the user is not told'
    assert_empty PluginHost.directory
    assert_empty PluginHost.section_files, 'nothing is held any more'
  end

  def test_new_and_opened_models_and_quitting_stop_the_link
    { 'a new model' => -> { Sketchup.file_new },
      'an opened model' => -> { HostSim.open_sample_house },
      'quitting' => -> { Sketchup.quit } }.each do |what, event|
      Sketchup.file_new
      @model = Sketchup.active_model
      start_saved
      event.call
      refute PluginHost.linked?, what
      assert_empty HostSim.timer_ids, what
    end
  end

  # The model lies at a fixed path, so that its hash (HashData over the path's UTF-16 bytes,
  # a character beyond the BMP included) is known.
  DESCRIBED_FOLDER = '/tmp/twinlink-descriptor-test'

  def test_the_descriptor_tells_korvan_about_host_plugin_model_and_camera
    FileUtils.mkdir_p(DESCRIBED_FOLDER)
    @path = File.join(DESCRIBED_FOLDER, 'Küche 🏠.skp')
    # One quad: four vertices, counted once per side.
    PluginHost.square(@model.entities)
    start_saved
    descriptor = PluginHost.descriptor(@path)
    entries = descriptor['entries']
    assert_equal %w[cameraSync fileNameCrc format pluginVersion time toolName toolVersion vertexCount], entries.keys
    assert_match(/\A\d+\z/, entries['time'])
    assert_equal({ 'cameraSync' => '1', 'fileNameCrc' => '13713020989771490813', 'format' => 'TL',
                   'pluginVersion' => '3.52.774', 'time' => entries['time'], 'toolName' => 'SketchUp Pro',
                   'toolVersion' => '17.3.116', 'vertexCount' => '8' }, entries)
    # As sent: texts percent-encoded, numbers as they are.
    assert_equal %({"cameraSync":"1","fileNameCrc":"13713020989771490813","format":"TL",) +
                 %("pluginVersion":"3%2e52%2e774","time":"#{entries['time']}","toolName":"SketchUp%20Pro",) +
                 %("toolVersion":"17%2e3%2e116","vertexCount":"8"}),
                 descriptor['text']
  ensure
    PluginHost.stop_link
    FileUtils.rm_rf(DESCRIBED_FOLDER)
  end

  # The descriptor goes out before the start takes CameraAutoSync over, so it shows the camera
  # synchronisation that the previous link left.
  def test_every_start_reads_the_settings_again
    start_saved
    PluginHost.command('Stop TwinLink').invoke
    PluginHost.write_dword('CameraAutoSync', 0)
    reported = 4.times.map do |i|
      PluginHost.write_dword('CameraAutoSync', 1) if i == 2
      start
      PluginHost.descriptor(@path)['entries']['cameraSync'].tap { PluginHost.command('Stop TwinLink').invoke }
    end
    assert_equal %w[1 0 0 1], reported
  end
end
